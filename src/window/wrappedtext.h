#pragma once

#include <QPlainTextEdit>

// Read-only text that wraps anywhere, as tall as its lines up to a few, then scrolls; it
// shows its start.
class WrappedText : public QPlainTextEdit
{
public:
    WrappedText(int mostLines, QWidget *parent);

    void setText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitHeight();

    int mostLines;
};
