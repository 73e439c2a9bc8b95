#pragma once

#include "jobs/conversionjobs.h"

#include <QWidget>

class BatchOutputs;
class Platform;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's only window: one conversion set up by hand, or files dropped on it or
// opened with it from the desktop.
class Form1 : public QWidget, public BoxOwner
{
    Q_OBJECT

public:
    explicit Form1(Platform &platform, QWidget *parent = nullptr);

    // Shows the window in the middle of its screen.
    void showCentered();

    // Lists the files in a confirmation and, on OK, converts them as one batch with the
    // window's channel and bitrate choices. It runs from the event loop, after this returns.
    void askToConvert(const QStringList &files);

    // Converts input into the MP3 beside it with the window's channel and bitrate choices,
    // unless the batch already writes that MP3.
    Result<Job> Execute_choosefilename(const std::u16string &input, BatchOutputs &batch);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();
    void chooseFont();
    void arrangeTabOrder();
    void connectHandlers();

    void Form_Load();
    void Command1_Click();
    void inputfn_Change(const QString &text);
    void Execute_Click();
    int channelCount() const;
    void Form_OLEDragDrop(QDropEvent *event);
    void inputfn_OLEDragDrop(QDropEvent *event);
    void convertDroppedFiles(const QStringList &files);

    Platform &platform;

    QLabel *Label1 = nullptr;
    QLineEdit *inputfn = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *outputfn = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *bpscmb = nullptr;
    QLabel *Label5 = nullptr;
    QComboBox *monostecmb = nullptr;
    QPushButton *Execute = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label6 = nullptr;
};
