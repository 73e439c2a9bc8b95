#include "droppedfiles.h"
#include "form1.h"
#include "platform/platform.h"

#include <QDropEvent>
#include <QLineEdit>

namespace {

// One drop may carry at most 31 files.
constexpr qsizetype MostFilesPerDrop = 31;

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
    takeAsCopy(event);
    Form_OLEDragDrop(event->mimeData());
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != inputfn || !isDragOrDrop(event))
        return QWidget::eventFilter(watched, event);
    auto *drag = static_cast<QDropEvent *>(event);
    takeAsCopy(drag);
    if (event->type() == QEvent::Drop)
        inputfn_OLEDragDrop(drag->mimeData());
    return true;
}

void Form1::inputfn_OLEDragDrop(const QMimeData *data)
{
    Form_OLEDragDrop(data);
}

void Form1::Form_OLEDragDrop(const QMimeData *data)
{
    const std::optional<QStringList> files = droppedFiles(data);
    if (!files)
        return;
    if (files->size() > MostFilesPerDrop) {
        platform.messageBox(QStringLiteral("32個以上のファイルは同時に処理できません"),
                            MessageStyle::OkError);
        return;
    }

    QString listing;
    for (const QString &file : *files)
        listing += file + QStringLiteral("\r\n");
    const int answer =
        platform.messageBox(listing + QStringLiteral("以上のファイルを変換開始しますか？"),
                            MessageStyle::OkCancelQuestion);
    if (answer != MessageAnswer::Ok)
        return;

    for (const QString &file : *files) {
        const JobResult result = Execute_choosefilename(file);
        if (result.status == JobResult::LaunchFailed)
            reportLaunchFailure(platform, result);
        if (result.status != JobResult::Started)
            return;
    }
}
