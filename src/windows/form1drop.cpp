#include "form1.h"
#include "jobs/dropbatch.h"
#include "widetext.h"

#include <commctrl.h>

namespace {

// The names of the dropped files, in the drag source's order; the drop is done with.
TextList takeDroppedFiles(HDROP drop)
{
    TextList files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        files.push_back(toText(name));
    }
    DragFinish(drop);
    return files;
}

} // namespace

// Drops on the input box go to the same batch, and the box inserts nothing of them.
LRESULT CALLBACK Form1::inputfnProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR form1)
{
    if (message != WM_DROPFILES)
        return DefSubclassProc(box, message, wParam, lParam);
    reinterpret_cast<Form1 *>(form1)->inputfn_OLEDragDrop(reinterpret_cast<HDROP>(wParam));
    return 0;
}

void Form1::inputfn_OLEDragDrop(HDROP drop)
{
    Form_OLEDragDrop(drop);
}

// The drag source waits inside its drag until the drop returns, so the drop only copies the
// file list out. While a box is open over the window, the window is disabled and takes no
// drop, as it takes no click.
void Form1::Form_OLEDragDrop(HDROP drop)
{
    const TextList files = takeDroppedFiles(drop);
    if (IsWindowEnabled(form))
        askToConvert(files);
}

// The batch, with its modal boxes, runs from the message loop: after the drop has returned,
// or over the window once it is shown.
void Form1::askToConvert(const TextList &files)
{
    offers.push_back(files);
    PostMessageW(form, ConvertOffered, 0, 0);
}

// One batch at a time: an offer that comes while the boxes of another are open waits for it.
void Form1::convertOfferedFiles()
{
    if (offers.empty() || converting)
        return;
    const TextList files = std::move(offers.front());
    offers.pop_front();
    converting = true;
    convertDroppedFiles(platform, this, files,
                        [this](const std::u16string &input, BatchOutputs &batch) {
                            return Execute_choosefilename(input, batch);
                        });
    converting = false;
    if (!offers.empty())
        PostMessageW(form, ConvertOffered, 0, 0);
}
