// The main window Form1 on Windows, driven through its controls' own messages, over a
// recording platform. Its window needs a display: under Wine, an X server.

#include "fakeplatform.h"
#include "jobs/form1design.h"
#include "rules/check.h"
#include "windows/form1.h"
#include "windows/openfilefilter.h"
#include "windows/widetext.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <shlobj.h>

namespace {

// A shown main window over a platform that writes Windows' file names.
struct ShownForm1
{
    FakePlatform platform;
    Form1 form1{platform};

    ShownForm1()
    {
        platform.fileNames = WindowsFileNames;
        form1.showCentered();
    }

    HWND control(Form1Control id) const { return GetDlgItem(form1.window(), id); }

    std::u16string textOf(Form1Control id) const
    {
        wchar_t text[512] = {};
        GetWindowTextW(control(id), text, 512);
        return toText(text);
    }

    void setText(Form1Control id, std::u16string_view text) const
    {
        SetWindowTextW(control(id), toWide(text).c_str());
    }

    void select(Form1Control list, int entry) const
    {
        SendMessageW(control(list), CB_SETCURSEL, entry, 0);
    }

    void click(Form1Control button) const { SendMessageW(control(button), BM_CLICK, 0, 0); }

    // Handles the messages the thread has been sent or posted, as the program's loop does.
    void handleMessages()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            form1.dispatch(message);
    }

    void post(Form1Control to, UINT message, WPARAM key, LPARAM flags = 1)
    {
        PostMessageW(control(to), message, key, flags);
        handleMessages();
    }
};

// A drop of the files, as Windows hands it to the window: a DROPFILES header and the names,
// each ended by a NUL, with one more NUL after the last.
HDROP dropOf(const TextList &files)
{
    std::wstring names;
    for (const std::u16string &file : files)
        names += toWide(file) + L'\0';
    names += L'\0';
    const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto *header = static_cast<DROPFILES *>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(header + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TextList encoderOptions(const char16_t *channels, const char16_t *bitrate)
{
    return {u"-vn", u"-ac", channels, u"-ar", u"44100", u"-ab", bitrate + std::u16string(u"k")};
}

} // namespace

TEST(windowIsLaidOutInTwipsAtNinetySixDotsPerInch)
{
    const ShownForm1 shown;
    const HWND window = shown.form1.window();
    RECT client{};
    GetClientRect(window, &client);
    CHECK_EQ(client.right, 523);
    CHECK_EQ(client.bottom, 246);
    const auto style = GetWindowLongPtrW(window, GWL_STYLE);
    CHECK_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_SYSMENU),
             WS_MINIMIZEBOX | WS_SYSMENU);
    CHECK(GetClassLongPtrW(window, GCLP_HICON) != 0);
    CHECK(GetClassLongPtrW(window, GCLP_HICONSM) != 0);

    struct Row
    {
        const char *name;
        Form1Control id;
        RECT box;
    };
    const Row rows[] = {{"Label1", Label1Id, {8, 16, 193, 33}},
                        {"inputfn", inputfnId, {8, 32, 433, 57}},
                        {"Command1", Command1Id, {440, 32, 521, 57}},
                        {"outputfn", outputfnId, {8, 88, 433, 113}},
                        {"bpscmb closed", bpscmbId, {64, 128, 185, 148}},
                        {"Label5", Label5Id, {192, 128, 217, 145}},
                        {"monostecmb closed", monostecmbId, {240, 128, 353, 148}},
                        {"Execute", ExecuteId, {376, 192, 513, 225}},
                        {"Label6", Label6Id, {0, 232, 433, 249}}};
    check::eachRow(rows, [&shown](const Row &row) {
        RECT box{};
        GetWindowRect(shown.control(row.id), &box);
        MapWindowPoints(HWND_DESKTOP, shown.form1.window(), reinterpret_cast<POINT *>(&box), 2);
        CHECK_EQ((std::array{box.left, box.top, box.right, box.bottom}),
                 (std::array{row.box.left, row.box.top, row.box.right, row.box.bottom}));
    });
}

// Moved to a monitor of 144 dpi, the window takes the place Windows suggests and lays its
// controls and fonts out anew, half as large again.
TEST(windowFollowsTheDotsPerInchOfItsMonitor)
{
    const ShownForm1 shown;
    const HWND window = shown.form1.window();
    RECT suggested{};
    GetWindowRect(window, &suggested);
    suggested.right += 200;
    suggested.bottom += 100;
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(window, &now);
    CHECK_EQ((std::array{now.right - now.left, now.bottom - now.top}),
             (std::array{suggested.right - suggested.left, suggested.bottom - suggested.top}));
    RECT box{};
    GetWindowRect(shown.control(inputfnId), &box);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT *>(&box), 2);
    CHECK_EQ((std::array{box.left, box.top, box.right, box.bottom}),
             (std::array<LONG, 4>{12, 48, 650, 86}));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(shown.control(inputfnId), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    CHECK_EQ(font.lfHeight, -18);
}

// A label draws over nothing that covers its box: the bitrate list the end of its label, the
// input box the last line of the label above it.
TEST(labelsLieUnderTheControlsThatOverlapThem)
{
    const ShownForm1 shown;
    std::vector<int> stacked;
    for (HWND child = GetWindow(shown.form1.window(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        stacked.push_back(GetDlgCtrlID(child));
    const auto depth = [&stacked](Form1Control id) {
        return std::find(stacked.begin(), stacked.end(), id) - stacked.begin();
    };
    CHECK(depth(bpscmbId) < depth(Label4Id));
    CHECK(depth(inputfnId) < depth(Label1Id));
}

TEST(controlsStartWithTheirTextsEntriesAndDefaults)
{
    const ShownForm1 shown;
    CHECK_EQ(shown.textOf(ExecuteId), Form1Design::Execute.text);
    CHECK_EQ(shown.textOf(Label6Id), Form1Design::Label6.text);
    CHECK_EQ(shown.textOf(inputfnId), u"");
    CHECK_EQ(shown.textOf(bpscmbId), u"128");
    CHECK_EQ(shown.textOf(monostecmbId), u"ステレオ");
    CHECK_EQ(SendMessageW(shown.control(bpscmbId), CB_GETCOUNT, 0, 0), 8);
    wchar_t last[8] = {};
    SendMessageW(shown.control(bpscmbId), CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(last));
    CHECK_EQ(toText(last), u"320");
    // The lists take no typed text, the output box none from the user.
    CHECK_EQ(GetWindowLongPtrW(shown.control(bpscmbId), GWL_STYLE) & CBS_DROPDOWNLIST,
             CBS_DROPDOWNLIST);
    CHECK(GetWindowLongPtrW(shown.control(outputfnId), GWL_STYLE) & ES_READONLY);
    CHECK_EQ(GetFocus(), shown.control(inputfnId));
}

TEST(tabMovesThroughTheFieldsInOrder)
{
    const ShownForm1 shown;
    const Form1Control order[] = {Command1Id, outputfnId,   ExecuteId,
                                  bpscmbId,   monostecmbId, inputfnId};
    HWND at = shown.control(inputfnId);
    for (const Form1Control next : order) {
        at = GetNextDlgTabItem(shown.form1.window(), at, FALSE);
        CHECK_EQ(GetDlgCtrlID(at), next);
    }
}

// Enter and Esc press no button; Alt+S presses the start button.
TEST(onlyTheAccessKeyPressesTheStartButton)
{
    ShownForm1 shown;
    shown.setText(inputfnId, u"C:\\in\\song.wav");
    shown.post(inputfnId, WM_KEYDOWN, VK_RETURN);
    shown.post(inputfnId, WM_CHAR, L'\r');
    shown.post(inputfnId, WM_KEYDOWN, VK_ESCAPE);
    shown.post(inputfnId, WM_CHAR, 0x1B);
    CHECK(shown.platform.launches.empty());
    CHECK(IsWindowVisible(shown.form1.window()));
    shown.post(inputfnId, WM_SYSCHAR, L's', 1 | 1 << 29);
    CHECK_EQ(shown.platform.launchedInputs(), TextList{u"C:\\in\\song.wav"});
}

TEST(typingAnInputNameFillsTheOutputBox)
{
    struct Row
    {
        const char *name;
        const char16_t *typed;
        const char16_t *output;
    };
    const Row rows[] = {
        {"Windows path", u"D:\\video\\movie.mp4", u"D:\\video\\movie.mp3"},
        {"folder with a dot", u"C:\\a.b\\notes", u"C:\\a.b\\notes.mp3"},
        {"too short to derive from", u"D:\\", u""},
    };
    check::eachRow(rows, [](const Row &row) {
        ShownForm1 shown;
        shown.setText(inputfnId, u"C:\\stale.wav");
        SendMessageW(shown.control(inputfnId), EM_SETSEL, 0, -1);
        SendMessageW(shown.control(inputfnId), WM_CLEAR, 0, 0);
        for (const char16_t *c = row.typed; *c; ++c)
            SendMessageW(shown.control(inputfnId), WM_CHAR, *c, 1);
        CHECK_EQ(shown.textOf(inputfnId), row.typed);
        CHECK_EQ(shown.textOf(outputfnId), row.output);
    });
}

TEST(browseFillsTheInputBoxUnlessCancelled)
{
    ShownForm1 shown;
    shown.platform.files = {u"E:\\music\\live.m4a", std::nullopt};
    shown.click(Command1Id);
    CHECK_EQ(shown.textOf(outputfnId), u"E:\\music\\live.mp3");
    shown.click(Command1Id);
    CHECK_EQ(shown.textOf(inputfnId), u"E:\\music\\live.m4a");
    CHECK_EQ(shown.platform.dialogTitles.at(0), Form1Design::BrowseTitle);
    CHECK_EQ(shown.platform.dialogFilters.at(0), Form1Design::BrowseFilter);
}

TEST(startConvertsWithTheChosenSettings)
{
    struct Row
    {
        const char *name;
        int channelEntry;
        int bitrateEntry;
        TextList options;
    };
    const Row rows[] = {
        {"defaults", Form1Design::DefaultChannelChoice, Form1Design::DefaultBitrate,
         encoderOptions(u"2", u"128")},
        {"mono at 320", 0, 7, encoderOptions(u"1", u"320")},
    };
    check::eachRow(rows, [](const Row &row) {
        ShownForm1 shown;
        shown.setText(inputfnId, u"C:\\in\\song.wav");
        shown.select(monostecmbId, row.channelEntry);
        shown.select(bpscmbId, row.bitrateEntry);
        shown.click(ExecuteId);
        CHECK_EQ(shown.platform.launches.size(), 1u);
        CHECK_EQ(shown.platform.launches[0].output, u"C:\\in\\song.mp3");
        CHECK_EQ(shown.platform.launches[0].options, row.options);
        CHECK_EQ(shown.platform.finishedBatches, 1);
    });
}

TEST(startWithoutAnOutputNameTellsWhy)
{
    ShownForm1 shown;
    shown.setText(inputfnId, u"C:");
    shown.click(ExecuteId);
    CHECK(shown.platform.launches.empty());
    CHECK_EQ(shown.platform.messages.size(), 1u);
    CHECK_EQ(shown.platform.messages[0].text, Form1Design::NoOutputName);
    CHECK_EQ(shown.platform.messages[0].style, MessageStyle::OkError);
}

// A drop on the input box is confirmed once the drop has returned, lists the files, and
// converts them in drop order; the box keeps its text.
TEST(droppedFilesAreListedThenConvertedInOrder)
{
    ShownForm1 shown;
    shown.setText(inputfnId, u"C:\\typed.wav");
    shown.select(monostecmbId, 0);
    SendMessageW(shown.control(inputfnId), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(dropOf({u"C:\\a\\one.mp4", u"D:\\two.flv"})), 0);
    CHECK(shown.platform.messages.empty());
    shown.handleMessages();
    CHECK_EQ(shown.platform.messages.size(), 1u);
    CHECK(startsWith(shown.platform.messages[0].text, u"C:\\a\\one.mp4\r\nD:\\two.flv\r\n"));
    CHECK_EQ(shown.platform.messages[0].style, MessageStyle::OkCancelQuestion);
    CHECK(shown.platform.messages[0].owner == &shown.form1);
    CHECK_EQ(shown.platform.launchedInputs(), (TextList{u"C:\\a\\one.mp4", u"D:\\two.flv"}));
    CHECK_EQ(shown.platform.launches[1].options, encoderOptions(u"1", u"128"));
    CHECK_EQ(shown.textOf(inputfnId), u"C:\\typed.wav");
}

// A drop that comes while a box is open over the window, which disables it, is not taken.
TEST(aDisabledWindowTakesNoDrop)
{
    ShownForm1 shown;
    EnableWindow(shown.form1.window(), FALSE);
    SendMessageW(shown.form1.window(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(dropOf({u"C:\\a\\one.mp4"})), 0);
    EnableWindow(shown.form1.window(), TRUE);
    shown.handleMessages();
    CHECK(shown.platform.messages.empty());
    CHECK(shown.platform.launches.empty());
}

TEST(aDropOfThirtyTwoFilesIsRefused)
{
    ShownForm1 shown;
    TextList files;
    for (int i = 1; i <= 32; ++i)
        files.push_back(u"C:\\in\\" + decimal(i) + u".wav");
    SendMessageW(shown.form1.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(files)), 0);
    shown.handleMessages();
    CHECK_EQ(shown.platform.messages.size(), 1u);
    CHECK_EQ(shown.platform.messages[0].style, MessageStyle::OkError);
    CHECK(shown.platform.launches.empty());
}

TEST(fileDialogFilterEndsEachPartAndTheList)
{
    CHECK_EQ(openFileFilter(u"音声|*.wav;*.m4a|すべて|*.*"),
             std::wstring(L"音声\0*.wav;*.m4a\0すべて\0*.*\0\0", 24));
}
