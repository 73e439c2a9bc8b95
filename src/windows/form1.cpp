#include "form1.h"

#include "jobs/form1design.h"
#include "mainwindow.h"
#include "widetext.h"
#include "windowdpi.h"
#include "windowserror.h"

#include <commctrl.h>

namespace {

constexpr const wchar_t *ClassName = L"OrvalenForm1";
// A fixed single border with minimise and close buttons, and no maximise button.
constexpr DWORD FrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The window showMainWindow shows, which endMainWindow closes.
Form1 *mainWindow = nullptr;

HICON programIcon(int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"IDI_ICON1", IMAGE_ICON, size,
                                         size, LR_DEFAULTCOLOR));
}

} // namespace

Form1::Form1(Platform &desktop) : platform(desktop)
{
    static const bool registered = [] {
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = programIcon(GetSystemMetrics(SM_CXICON));
        windowClass.hIconSm = programIcon(GetSystemMetrics(SM_CXSMICON));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = ClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered)
        return;
    form = CreateWindowExW(0, ClassName, toWide(Form1Design::Title).c_str(), FrameStyle,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           nullptr, GetModuleHandleW(nullptr), this);
    if (!form)
        return;
    createControls();
    const unsigned dpi = windowDpi(form);
    layOut(dpi);
    resizeClientArea(dpi);
    DragAcceptFiles(form, TRUE);
    focused = inputfn;
    Form_Load();
}

Form1::~Form1()
{
    if (form)
        DestroyWindow(form);
}

void Form1::showCentered()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT &area = monitor.rcWork;
    RECT frame{};
    GetWindowRect(form, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(form, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // Activated, it puts the focus in the input box (WM_ACTIVATE).
    ShowWindow(form, SW_SHOWNORMAL);
}

void Form1::dispatch(MSG &message)
{
    if (IsDialogMessageW(form, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *form1 =
            static_cast<Form1 *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        form1->form = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form1));
    }
    auto *form1 = reinterpret_cast<Form1 *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form1 ? form1->handle(message, wParam, lParam)
                 : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DROPFILES:
        Form_OLEDragDrop(reinterpret_cast<HDROP>(wParam));
        return 0;
    case ConvertOffered:
        convertOfferedFiles();
        return 0;
    case WM_DPICHANGED:
        dpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_ACTIVATE:
        // The control that had the focus gets it back when the window is active again.
        if (LOWORD(wParam) == WA_INACTIVE)
            focused = GetFocus() && IsChild(form, GetFocus()) ? GetFocus() : focused;
        else
            SetFocus(focused);
        return 0;
    case WM_CLOSE:
        // The window goes with the Form1 that showMainWindow holds, once its loop has ended.
        endMainWindow(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(form, GWLP_USERDATA, 0);
        return DefWindowProcW(form, message, wParam, lParam);
    default:
        return DefWindowProcW(form, message, wParam, lParam);
    }
}

void Form1::command(int control, int notification)
{
    if (control == Command1Id && notification == BN_CLICKED)
        Command1_Click();
    else if (control == ExecuteId && notification == BN_CLICKED)
        Execute_Click();
    else if (control == inputfnId && notification == EN_CHANGE)
        inputfn_Change();
}

int showMainWindow(Platform &platform, const TextList &offeredFiles)
{
    Form1 form1(platform);
    if (!form1.window()) {
        platform.writeError(u"メインウィンドウを開けません: " + windowsReason(GetLastError()));
        return 1;
    }
    mainWindow = &form1;
    form1.showCentered();
    if (!offeredFiles.empty())
        form1.askToConvert(offeredFiles);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        form1.dispatch(message);
    mainWindow = nullptr;
    return static_cast<int>(message.wParam);
}

void endMainWindow(int exitStatus)
{
    if (mainWindow)
        ShowWindow(mainWindow->window(), SW_HIDE);
    PostQuitMessage(exitStatus);
}

HWND windowOf(const BoxOwner *owner)
{
    const auto *form1 = dynamic_cast<const Form1 *>(owner);
    return form1 ? form1->window() : nullptr;
}
