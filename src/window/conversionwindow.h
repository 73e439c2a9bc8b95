#pragma once

#include "platform/windowpart.h"

#include <QDialog>

class ConversionRow;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class WrappedText;

// The window of one batch: what the user is told about the batch, a summary, one row per
// conversion in a list that scrolls, and a button that stops them all. The window fits on
// the screen. Once the batch has ended it closes, or it stays open with 閉じる as its
// default button, which Enter and Escape press. It deletes itself once closed.
class ConversionWindow : public QDialog, public BatchView
{
    Q_OBJECT

public:
    explicit ConversionWindow(BatchControl &control);

    void addConversion(const ConversionRequest &request) override;
    void showProgress(std::size_t row, std::optional<int> percent, const TextList &lines) override;
    void showState(std::size_t row, const ConversionOutcome &state) override;
    void addNote(const std::u16string &text) override;
    void showSummary(const std::u16string &summary) override;
    void showEnd(bool keepOpen) override;

    // Escape closes the window once nothing runs; it never stops a batch.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stopOrClose();
    void fitLater();
    void fitToScreen();
    int otherBatchWindows() const;
    int rowHeight() const;

    BatchControl &control;
    WrappedText *notes;
    QStringList noted;
    QLabel *summary;
    QScrollArea *list;
    QVBoxLayout *rows;
    QList<ConversionRow *> conversions;
    QPushButton *button;
    bool fitDue = false;
    bool placed = false;
    bool closeWhenEnded = false;
};
