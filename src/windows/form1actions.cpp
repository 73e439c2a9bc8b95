#include "form1.h"
#include "jobs/form1design.h"
#include "jobs/outputname.h"
#include "jobs/startconversion.h"
#include "widetext.h"

namespace {

std::u16string textOf(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return toText(text);
}

void setText(HWND control, const std::u16string &text)
{
    SetWindowTextW(control, toWide(text).c_str());
}

} // namespace

void Form1::Form_Load()
{
    SendMessageW(bpscmb, CB_SETCURSEL, Form1Design::DefaultBitrate, 0);
    SendMessageW(monostecmb, CB_SETCURSEL, Form1Design::DefaultChannelChoice, 0);
}

void Form1::Command1_Click()
{
    // A cancelled dialog leaves the box as it is: the user may have typed a path there.
    if (const std::optional<std::u16string> chosen =
            platform.chooseFileToOpen(this, std::u16string(Form1Design::BrowseTitle),
                                      std::u16string(Form1Design::BrowseFilter)))
        setText(inputfn, *chosen);
}

void Form1::inputfn_Change()
{
    // A name too short to derive from empties the box rather than keep a stale name that
    // Start would write over; this never ends the program.
    setText(outputfn, deriveOutputName(textOf(inputfn), platform.fileNameStyle()).value_or(u""));
}

void Form1::Execute_Click()
{
    convertGivenNames(platform, this, textOf(inputfn), textOf(outputfn), channelCount(),
                      textOf(bpscmb));
}

// Mono is entry 0 and stereo entry 1; nothing selected (CB_ERR, -1) gives 0.
int Form1::channelCount() const
{
    return static_cast<int>(SendMessageW(monostecmb, CB_GETCURSEL, 0, 0)) + 1;
}

Result<Job> Form1::Execute_choosefilename(const std::u16string &input, BatchOutputs &batch)
{
    return convertBesideInput(platform, this, input, batch, channelCount(), textOf(bpscmb));
}
