#include "conversionwindow.h"

#include "applicationsetup.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int WindowWidth = 480;
constexpr int LinesShown = 6;

// A path on one line, cut in the middle when it is too long; the whole path in its tip.
QLabel *pathLabel(const QString &caption, const QString &path, QWidget *parent)
{
    auto *label = new QLabel(parent);
    const QString text = caption + path;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, WindowWidth - 24));
    label->setToolTip(path);
    return label;
}

// What the window says of an end; after a failure or a stop, that the output is untouched.
QString endText(const ConversionOutcome &outcome)
{
    if (outcome.kind == ConversionOutcome::Kind::Failed ||
        outcome.kind == ConversionOutcome::Kind::Stopped)
        return outcome.text() + QStringLiteral("\n出力ファイルには何も書き込んでいません。");
    return outcome.text();
}

} // namespace

ConversionWindow::ConversionWindow(const ConversionRequest &request, ConversionControl &conversion)
    : control(conversion), progress(new QProgressBar(this)), lines(new QPlainTextEdit(this)),
      status(new QLabel(this)), button(new QPushButton(QStringLiteral("中止"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    const QDir workingDirectory(request.workingDirectory);
    const QString input = QDir::cleanPath(workingDirectory.filePath(request.call.input));
    const QString output = QDir::cleanPath(workingDirectory.filePath(request.call.output));
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(input).fileName(), applicationTitle()));
    setFixedWidth(WindowWidth);

    progress->setRange(0, 0);
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setMaximumBlockCount(LinesShown);
    lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lines->setFixedHeight(lines->fontMetrics().lineSpacing() * LinesShown + 12);
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pathLabel(QStringLiteral("入力: "), input, this));
    layout->addWidget(pathLabel(QStringLiteral("出力: "), output, this));
    layout->addWidget(progress);
    layout->addWidget(lines);
    layout->addWidget(status);
    layout->addWidget(button, 0, Qt::AlignRight);

    connect(button, &QPushButton::clicked, this, &ConversionWindow::stopOrClose);
}

// Closing a running conversion's window stops it first: the window goes once the encoder
// has ended and its temporary file is removed.
void ConversionWindow::closeEvent(QCloseEvent *event)
{
    if (!control.isRunning()) {
        event->accept();
        return control.windowClosed();
    }
    event->ignore();
    closeWhenEnded = true;
    button->setEnabled(false);
    control.stop();
}

void ConversionWindow::stopOrClose()
{
    if (!control.isRunning())
        return void(close());
    button->setEnabled(false);
    control.stop();
}

void ConversionWindow::showProgress(std::optional<int> percent, const QStringList &latest)
{
    if (percent) {
        progress->setRange(0, 100);
        progress->setValue(*percent);
    }
    lines->setPlainText(latest.join(u'\n'));
}

void ConversionWindow::showEnd(const ConversionOutcome &outcome)
{
    if (outcome.kind == ConversionOutcome::Kind::Succeeded || closeWhenEnded) {
        close();
        return;
    }
    // A bar that never got a value would go on moving (the style animates an empty bar);
    // one that did stays where the encoder left off.
    progress->setRange(0, 100);
    if (progress->value() <= 0)
        progress->hide();
    // A refused conversion never ran: there is nothing to show but why.
    if (outcome.kind == ConversionOutcome::Kind::Refused)
        lines->hide();
    status->setText(endText(outcome));
    status->show();
    button->setText(QStringLiteral("閉じる"));
    button->setEnabled(true);
    adjustSize();
}

#include "moc_conversionwindow.cpp"
