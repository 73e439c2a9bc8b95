#pragma once

#include <QWidget>

class Conversion;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
struct ConversionOutcome;

// The small window of one conversion: which file becomes which, how far the encoder has
// come, its latest lines, and a button that stops it. A conversion that succeeds closes
// its window; one that fails or is refused leaves it open with the reason until the user
// closes it. The window owns its conversion.
class ConversionWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ConversionWindow(Conversion *conversion, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stopOrClose();
    void showOutput();
    void showEnd(const ConversionOutcome &outcome);

    Conversion *conversion;
    QProgressBar *progress;
    QPlainTextEdit *lines;
    QLabel *status;
    QPushButton *button;
    bool closeWhenEnded = false;
};
