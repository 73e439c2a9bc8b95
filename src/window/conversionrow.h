#pragma once

#include "jobs/conversionrequest.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QToolButton;

// One conversion in its batch's window: the input's name (whole, with the output's, in its
// tip), a progress bar, the state, and a button that stops it while it runs. Once it has
// failed or could not start, why, with the encoder's last lines, below.
class ConversionRow : public QWidget
{
public:
    ConversionRow(const ConversionRequest &request, std::function<void()> stop, QWidget *parent);

    void showProgress(std::optional<int> percent, const QStringList &lines);
    void showState(const ConversionOutcome &state);

private:
    void showDetails(const QString &text);

    QLabel *name;
    QProgressBar *progress;
    QLabel *state;
    QToolButton *stopButton;
    QStringList latestLines;
};
