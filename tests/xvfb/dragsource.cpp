// The other end of a real drag for the Xvfb drop test: a small window titled "dragsource"
// that, when the left button is pressed and moved in it, drags the files named on its
// command line. Like a file manager it offers a copy or a move and proposes the move, so
// the target has to ask for the copy itself. It prints the action the target took.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget
{
public:
    explicit DragSource(QList<QUrl> dragged) : files(std::move(dragged))
    {
        setWindowTitle(QStringLiteral("dragsource"));
        setFixedSize(200, 100);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        pressed = event->button() == Qt::LeftButton;
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        // One drag per press: the drag's own loop eats the release.
        if (!pressed || !(event->buttons() & Qt::LeftButton))
            return;
        pressed = false;
        auto *mime = new QMimeData;
        mime->setUrls(files);
        auto *drag = new QDrag(this);
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        std::fprintf(stderr, "dragsource: drag ended with action %d\n", int(action));
    }

private:
    QList<QUrl> files;
    bool pressed = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QList<QUrl> files;
    for (const QString &argument : QApplication::arguments().mid(1))
        files.append(QUrl::fromLocalFile(argument));
    DragSource window(files);
    window.show();
    return application.exec();
}
