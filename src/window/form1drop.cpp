#include "droppedfiles.h"
#include "form1.h"
#include "jobs/dropbatch.h"
#include "jobs/platform.h"
#include "qttext.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

// Every drop is taken, whatever it carries; the drop batch decides what to do with it. The
// drop is always a copy, so a drag source never deletes what was dropped here.
void takeAsCopy(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool isDragOrDrop(const QEvent *event)
{
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
           event->type() == QEvent::Drop;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    takeAsCopy(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    takeAsCopy(event);
}

void Form1::dropEvent(QDropEvent *event)
{
    Form_OLEDragDrop(event);
}

// Drops on the input box go to the same batch and never insert text.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != inputfn || !isDragOrDrop(event))
        return QWidget::eventFilter(watched, event);
    auto *drag = static_cast<QDropEvent *>(event);
    if (event->type() == QEvent::Drop)
        inputfn_OLEDragDrop(drag);
    else
        takeAsCopy(drag);
    return true;
}

void Form1::inputfn_OLEDragDrop(QDropEvent *event)
{
    Form_OLEDragDrop(event);
}

// The drag source stays inside its drag until the drop returns, so the drop only copies
// the file list out.
void Form1::Form_OLEDragDrop(QDropEvent *event)
{
    takeAsCopy(event);
    if (const std::optional<QStringList> files = droppedFiles(event->mimeData()))
        askToConvert(*files);
}

// The batch, with its modal boxes, runs from the event loop: after the drop has returned,
// or over the window once it is shown.
void Form1::askToConvert(const QStringList &files)
{
    QTimer::singleShot(0, this, [this, files] { convertDroppedFiles(files); });
}

void Form1::convertDroppedFiles(const QStringList &files)
{
    ::convertDroppedFiles(platform, this, toTextList(files),
                          [this](const std::u16string &input, BatchOutputs &batch) {
                              return Execute_choosefilename(input, batch);
                          });
}
