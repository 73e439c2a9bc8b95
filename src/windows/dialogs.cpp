#include "dialogs.h"

#include "jobs/form1design.h"
#include "openfilefilter.h"
#include "widetext.h"

#include <commdlg.h>

namespace {

UINT messageBoxType(MessageStyle style)
{
    switch (style) {
    case MessageStyle::OkError:
        return MB_OK | MB_ICONERROR;
    case MessageStyle::OkCancelQuestion:
        return MB_OKCANCEL | MB_ICONQUESTION;
    case MessageStyle::Ok:
        break;
    }
    return MB_OK;
}

// Room for the longest name Windows has, with a "\\?\" prefix.
constexpr DWORD LongestName = 32768;

} // namespace

MessageAnswer showMessageBox(HWND window, const std::u16string &text, MessageStyle style)
{
    const int pressed = MessageBoxW(window, toWide(text).c_str(),
                                    toWide(Form1Design::Title).c_str(), messageBoxType(style));
    return pressed == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<std::u16string> chooseFile(HWND window, const std::u16string &title,
                                         const std::u16string &filter)
{
    const std::wstring wideTitle = toWide(title);
    const std::wstring filterList = openFileFilter(filter);
    std::wstring name(LongestName, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = LongestName;
    dialog.lpstrTitle = wideTitle.c_str();
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    name.resize(name.find(L'\0'));
    return toText(name);
}
