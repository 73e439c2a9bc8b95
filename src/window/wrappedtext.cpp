#include "wrappedtext.h"

#include <QResizeEvent>
#include <QTextBlock>

#include <cmath>

WrappedText::WrappedText(int linesAtMost, QWidget *parent)
    : QPlainTextEdit(parent), mostLines(linesAtMost)
{
    setReadOnly(true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void WrappedText::setText(const QString &text)
{
    setPlainText(text);
    fitHeight();
}

// A new width wraps the text anew.
void WrappedText::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        fitHeight();
}

// As tall as the lines the text wraps into at the present width, up to the most lines: the
// box scrolls once the lines' height, with the margin above them and one more pixel, passes
// its inside. A text that scrolls anyway goes without that pixel, where the next line would
// show in part.
void WrappedText::fitHeight()
{
    qreal height = 0;
    int lines = 0;
    bool more = false;
    QTextBlock block = document()->begin();
    for (; block.isValid() && lines < mostLines; block = block.next()) {
        // Asking for its place lays the block out at the present width.
        const qreal blockHeight = document()->documentLayout()->blockBoundingRect(block).height();
        const int blockLines = std::max(1, block.layout()->lineCount());
        const int shown = std::min(blockLines, mostLines - lines);
        height += blockHeight * shown / blockLines;
        lines += shown;
        more = shown < blockLines;
    }
    more = more || block.isValid();
    const int margin = int(document()->documentMargin());
    setFixedHeight(int(std::ceil(height)) + margin + (more ? 0 : 1) + 2 * frameWidth());
}
