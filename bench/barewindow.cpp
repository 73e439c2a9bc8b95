// The least a Qt Widgets program can show: a window with one label. The window road's time
// to first paint and peak memory are measured against it.
// Usage: barewindow [--text TEXT] [--paint-delay MS]
// --paint-delay makes the first paint wait MS ms after the window is shown and exposed,
// to check that bench/firstpaint.c waits for the drawing, not for the window's mapping.
#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QThread>

namespace {

class Label : public QLabel
{
public:
    Label(const QString &text, int paintDelay) : QLabel(text), paintDelay(paintDelay) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (paintDelay > 0)
            QThread::msleep(std::exchange(paintDelay, 0));
        QLabel::paintEvent(event);
    }

private:
    int paintDelay;
};

QString option(const QStringList &arguments, const QString &name, const QString &fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    Label label(option(arguments, QStringLiteral("--text"), QStringLiteral("Hello")),
                option(arguments, QStringLiteral("--paint-delay"), QStringLiteral("0")).toInt());
    label.show();
    return QApplication::exec();
}
