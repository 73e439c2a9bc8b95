#pragma once

#include "controlfont.h"
#include "jobs/conversionjobs.h"

#include <deque>
#include <vector>

#include <shellapi.h>
#include <windows.h>

class BatchOutputs;

// The identifiers of the main window's controls. None is IDOK or IDCANCEL, which Enter and
// Esc send: neither button is the window's default or cancel button.
enum Form1Control : int
{
    Label1Id = 101,
    inputfnId,
    Command1Id,
    Label2Id,
    outputfnId,
    ExecuteId,
    bpscmbId,
    Label4Id,
    Label5Id,
    monostecmbId,
    Label3Id,
    Label6Id
};

// The program's only window: one conversion set up by hand, or files dropped on it or
// offered to it. Its controls hold all its state.
class Form1 final : public BoxOwner
{
public:
    // Creates the window, hidden, with its controls laid out and their defaults selected.
    explicit Form1(Platform &platform);
    ~Form1() override;
    Form1(const Form1 &) = delete;
    Form1 &operator=(const Form1 &) = delete;

    HWND window() const { return form; }

    // Shows the window in the middle of its screen, with the focus in the input box.
    void showCentered();

    // Lists the files in a confirmation and, on OK, converts them as one batch with the
    // window's channel and bitrate choices. It runs from the message loop, after this returns.
    void askToConvert(const TextList &files);

    // Hands one message of the thread to the window: the keys that move the focus or press a
    // button by its access key go to the controls, the rest to the window it is for.
    void dispatch(MSG &message);

    // Converts input into the MP3 beside it with the window's channel and bitrate choices,
    // unless the batch already writes that MP3.
    Result<Job> Execute_choosefilename(const std::u16string &input, BatchOutputs &batch);

private:
    // Sent to itself when the files of a drop or an offer are due.
    static constexpr UINT ConvertOffered = WM_APP + 1;

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK inputfnProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR, DWORD_PTR form1);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int control, int notification);

    void createControls();
    void layOut(unsigned dpi);
    void placeControls(unsigned dpi);
    void chooseFonts(unsigned dpi);
    void fitListFields(unsigned dpi);
    void resizeClientArea(unsigned dpi);
    void dpiChanged(unsigned dpi, const RECT &suggested);

    void Form_Load();
    void Command1_Click();
    void inputfn_Change();
    void Execute_Click();
    int channelCount() const;

    void Form_OLEDragDrop(HDROP drop);
    void inputfn_OLEDragDrop(HDROP drop);
    void convertOfferedFiles();

    Platform &platform;
    HWND form = nullptr;
    HWND Label1 = nullptr;
    HWND inputfn = nullptr;
    HWND Command1 = nullptr;
    HWND Label2 = nullptr;
    HWND outputfn = nullptr;
    HWND Label4 = nullptr;
    HWND bpscmb = nullptr;
    HWND Label5 = nullptr;
    HWND monostecmb = nullptr;
    HWND Execute = nullptr;
    HWND Label3 = nullptr;
    HWND Label6 = nullptr;
    // The control that had the focus when the window was last active.
    HWND focused = nullptr;
    std::vector<UniqueFont> fonts;
    std::deque<TextList> offers;
    bool converting = false;
};
