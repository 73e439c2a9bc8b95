#include "form1.h"
#include "jobs/form1design.h"
#include "widetext.h"
#include "windowdpi.h"

#include <algorithm>
#include <array>

#include <commctrl.h>

namespace {

struct Placed
{
    Form1Control id;
    const Form1Design::Control &design;
    bool isLabel;
};

constexpr std::array<Placed, 12> Layout{{
    {Label1Id, Form1Design::Label1, true},
    {inputfnId, Form1Design::inputfn, false},
    {Command1Id, Form1Design::Command1, false},
    {Label2Id, Form1Design::Label2, true},
    {outputfnId, Form1Design::outputfn, false},
    {ExecuteId, Form1Design::Execute, false},
    {bpscmbId, Form1Design::bpscmb, false},
    {Label4Id, Form1Design::Label4, true},
    {Label5Id, Form1Design::Label5, true},
    {monostecmbId, Form1Design::monostecmb, false},
    {Label3Id, Form1Design::Label3, true},
    {Label6Id, Form1Design::Label6, true},
}};

// The largest size is 9 points; below two thirds of it a font is hard to read.
constexpr int PointSize = 9;

// The width of the part of a label's box that the user sees: inside the window, and left of
// a control that covers the end of the box (the bitrate list covers its label's).
int visibleWidth(const Form1Design::Box &label)
{
    int width = std::min(label.width, Form1Design::ClientArea.width - label.left);
    for (const Placed &other : Layout) {
        const Form1Design::Box &box = other.design.box;
        const bool sameLine =
            box.top < label.top + label.height && label.top < box.top + box.height;
        if (!other.isLabel && sameLine && box.left > label.left)
            width = std::min(width, box.left - label.left);
    }
    return width;
}

// Controls are stacked in the order made, the first on top; each draws only where none above
// it lies. Tab moves through those that take the focus in the same order.
HWND makeControl(HWND parent, Form1Control id, const wchar_t *kind, DWORD style,
                 std::u16string_view text = {}, DWORD extendedStyle = 0)
{
    return CreateWindowExW(extendedStyle, kind, toWide(text).c_str(),
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

HWND label(HWND parent, Form1Control id, const Form1Design::Control &design)
{
    return makeControl(parent, id, WC_STATICW, SS_LEFT | SS_NOPREFIX, design.text);
}

HWND textBox(HWND parent, Form1Control id, DWORD style = 0)
{
    return makeControl(parent, id, WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | style, {},
                       WS_EX_CLIENTEDGE);
}

HWND button(HWND parent, Form1Control id, const Form1Design::Control &design)
{
    return makeControl(parent, id, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, design.text);
}

template <std::size_t Count>
HWND dropDownList(HWND parent, Form1Control id,
                  const std::array<std::u16string_view, Count> &entries)
{
    const HWND list =
        makeControl(parent, id, WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
    for (const std::u16string_view entry : entries)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(entry).c_str()));
    return list;
}

} // namespace

void Form1::createControls()
{
    using namespace Form1Design;
    inputfn = textBox(form, inputfnId);
    Command1 = button(form, Command1Id, Form1Design::Command1);
    // The program writes the output box; the user can still select and copy its text.
    outputfn = textBox(form, outputfnId, ES_READONLY);
    Execute = button(form, ExecuteId, Form1Design::Execute);
    bpscmb = dropDownList(form, bpscmbId, Bitrates);
    monostecmb = dropDownList(form, monostecmbId, ChannelChoices);
    // The labels lie under the boxes that cover the ends of theirs: the bitrate list covers
    // the end of its label, each text box the last line of the label above it.
    Label1 = label(form, Label1Id, Form1Design::Label1);
    Label2 = label(form, Label2Id, Form1Design::Label2);
    Label4 = label(form, Label4Id, Form1Design::Label4);
    Label5 = label(form, Label5Id, Form1Design::Label5);
    Label3 = label(form, Label3Id, Form1Design::Label3);
    Label6 = label(form, Label6Id, Form1Design::Label6);
    // Drops on the input box go to the window's drop batch and never insert text.
    DragAcceptFiles(inputfn, TRUE);
    SetWindowSubclass(inputfn, inputfnProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
}

void Form1::layOut(unsigned dpi)
{
    chooseFonts(dpi);
    placeControls(dpi);
    fitListFields(dpi);
}

// Every control in the font at 9 points; a label whose text would not fit where it is seen
// gets a smaller size of its own, as some Japanese fonts are wider than the layout's boxes.
void Form1::chooseFonts(unsigned dpi)
{
    const std::wstring &face = japaneseFace();
    const int fullHeight = MulDiv(PointSize, static_cast<int>(dpi), 72);
    std::vector<UniqueFont> chosen;
    chosen.push_back(controlFont(face, fullHeight));
    for (const Placed &control : Layout) {
        HFONT font = chosen.front().get();
        if (control.isLabel) {
            const Form1Design::Box &box = control.design.box;
            const std::wstring text = toWide(control.design.text);
            for (int height = fullHeight;
                 height > fullHeight * 2 / 3 &&
                 !fitsInto(font, text, pixels(visibleWidth(box), dpi), pixels(box.height, dpi));
                 font = chosen.back().get())
                chosen.push_back(controlFont(face, --height));
        }
        SendMessageW(GetDlgItem(form, control.id), WM_SETFONT, reinterpret_cast<WPARAM>(font),
                     TRUE);
    }
    // The fonts the controls had go only now that none uses them.
    fonts = std::move(chosen);
}

void Form1::placeControls(unsigned dpi)
{
    for (const Placed &control : Layout) {
        const Form1Design::Box &box = control.design.box;
        SetWindowPos(GetDlgItem(form, control.id), nullptr, pixels(box.left, dpi),
                     pixels(box.top, dpi), pixels(box.width, dpi), pixels(box.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// A closed drop-down list is as high as its field, which its font sets: the field is made as
// high as the layout's box, and the open list as long as its entries.
void Form1::fitListFields(unsigned dpi)
{
    const std::pair<HWND, Form1Design::Box> lists[] = {{bpscmb, Form1Design::bpscmb.box},
                                                       {monostecmb, Form1Design::monostecmb.box}};
    for (const auto &[list, box] : lists) {
        const int wanted = pixels(box.height, dpi);
        const auto entry = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
        const auto entries = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        SetWindowPos(list, nullptr, 0, 0, pixels(box.width, dpi), wanted + entries * entry + 2,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Set once as it is read: Wine reads out more than was set.
        const auto field = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, WPARAM(-1), 0));
        SendMessageW(list, CB_SETITEMHEIGHT, WPARAM(-1), field);
        RECT closed{};
        GetWindowRect(list, &closed);
        if (const int correction = wanted - (closed.bottom - closed.top);
            correction != 0 && field + correction > 0)
            SendMessageW(list, CB_SETITEMHEIGHT, WPARAM(-1), field + correction);
    }
}

// The client area as large as the layout's, whatever the frame around it measures.
void Form1::resizeClientArea(unsigned dpi)
{
    RECT frame{};
    RECT client{};
    GetWindowRect(form, &frame);
    GetClientRect(form, &client);
    const int width = pixels(Form1Design::ClientArea.width, dpi) + (frame.right - frame.left) -
                      (client.right - client.left);
    const int height = pixels(Form1Design::ClientArea.height, dpi) + (frame.bottom - frame.top) -
                       (client.bottom - client.top);
    SetWindowPos(form, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// On a monitor of other dots per inch the window takes the place Windows suggests, which
// keeps its client area in proportion, and its controls and fonts follow.
void Form1::dpiChanged(unsigned dpi, const RECT &suggested)
{
    SetWindowPos(form, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layOut(dpi);
}
