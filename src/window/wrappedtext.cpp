#include "wrappedtext.h"

WrappedText::WrappedText(int linesAtMost, QWidget *parent)
    : QPlainTextEdit(parent), mostLines(linesAtMost)
{
    setReadOnly(true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void WrappedText::setText(const QString &text)
{
    setPlainText(text);
    // Lines as written: one that wraps takes the scroll bar's help.
    const int lines = std::min(document()->blockCount(), mostLines);
    setFixedHeight(fontMetrics().lineSpacing() * lines +
                   2 * (frameWidth() + int(document()->documentMargin())));
}
