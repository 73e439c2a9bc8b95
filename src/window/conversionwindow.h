#pragma once

#include "jobs/windowpart.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The small window of one conversion: which file becomes which, how far the encoder has
// come, its latest lines, and a button that stops it. A conversion that succeeds closes
// its window; one that fails, is stopped or is refused leaves it open with the reason until
// the user closes it. It deletes itself once closed.
class ConversionWindow : public QWidget, public ConversionView
{
    Q_OBJECT

public:
    ConversionWindow(const ConversionRequest &request, ConversionControl &control);

    void showProgress(std::optional<int> percent, const QStringList &lines) override;
    void showEnd(const ConversionOutcome &outcome) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stopOrClose();

    ConversionControl &control;
    QProgressBar *progress;
    QPlainTextEdit *lines;
    QLabel *status;
    QPushButton *button;
    bool closeWhenEnded = false;
};
