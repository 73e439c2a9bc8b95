#include "conversionwindow.h"

#include "applicationsetup.h"
#include "conversionrow.h"
#include "qttext.h"
#include "wrappedtext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int WidthInCharacters = 38;
constexpr int NoteLines = 8;
constexpr int ShortestListRows = 3;

} // namespace

ConversionWindow::ConversionWindow(BatchControl &batch)
    : control(batch), notes(new WrappedText(NoteLines, this)), summary(new QLabel(this)),
      list(new QScrollArea(this)), rows(new QVBoxLayout),
      button(new QPushButton(QStringLiteral("すべて中止"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(applicationTitle());
    setFixedWidth(fontMetrics().horizontalAdvance(u'あ') * WidthInCharacters);
    notes->hide();
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *listed = new QWidget(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addStretch();
    listed->setLayout(rows);
    list->setWidget(listed);
    list->setWidgetResizable(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFrameShape(QFrame::NoFrame);
    // While the batch runs no button is pressed by Enter: a key meant for another window must
    // not stop it.
    button->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(notes);
    layout->addWidget(summary);
    layout->addWidget(list, 1);
    layout->addWidget(button, 0, Qt::AlignRight);
    connect(button, &QPushButton::clicked, this, &ConversionWindow::stopOrClose);
}

void ConversionWindow::addConversion(const ConversionRequest &request)
{
    const qsizetype row = conversions.size();
    auto *conversion = new ConversionRow(
        request, [this, row] { control.stop(std::size_t(row)); }, list->widget());
    conversions.append(conversion);
    rows->insertWidget(rows->count() - 1, conversion);
    fitLater();
}

void ConversionWindow::showProgress(std::size_t row, std::optional<int> percent,
                                    const TextList &lines)
{
    conversions.at(qsizetype(row))->showProgress(percent, toQStringList(lines));
}

void ConversionWindow::showState(std::size_t row, const ConversionOutcome &state)
{
    conversions.at(qsizetype(row))->showState(state);
    if (state.hasEnded())
        fitLater();
    // Closed while it ran: it goes once nothing runs any more, from the event loop, once its
    // batch is done telling it.
    if (closeWhenEnded && !control.isRunning())
        QTimer::singleShot(0, this, &ConversionWindow::close);
}

void ConversionWindow::addNote(const std::u16string &text)
{
    noted.append(toQString(text));
    notes->setText(noted.join(u'\n'));
    notes->show();
    fitLater();
    raise();
    activateWindow();
}

void ConversionWindow::showSummary(const std::u16string &text)
{
    summary->setText(toQString(text));
    setWindowTitle(toQString(text) + QStringLiteral(" - ") + applicationTitle());
}

void ConversionWindow::showEnd(bool keepOpen)
{
    if (!keepOpen || closeWhenEnded)
        return void(close());
    button->setText(QStringLiteral("閉じる"));
    button->setEnabled(true);
    button->setDefault(true);
    button->setFocus();
}

void ConversionWindow::reject()
{
    if (!control.isRunning())
        close();
}

// Closing a running batch's window stops its conversions first: the window goes once their
// encoders have ended and their temporary files are removed.
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

// Rows come in many at once: the window is fitted, and shown, once they are all in.
void ConversionWindow::fitLater()
{
    if (fitDue)
        return;
    fitDue = true;
    QTimer::singleShot(0, this, [this] {
        fitDue = false;
        fitToScreen();
        show();
    });
}

// As tall as the list needs, but no taller than the screen, whose list then scrolls; wholly
// on the screen, centred there when first shown (set off from other batches' windows).
void ConversionWindow::fitToScreen()
{
    const QRect available = screen()->availableGeometry();
    // The window manager's frame is known once the window is shown; before, room for a title.
    const QSize frame =
        isVisible() ? frameGeometry().size() - size() : QSize(0, 2 * fontMetrics().height());
    const int tallest = available.height() - frame.height();
    const int listWanted = list->widget()->sizeHint().height();
    // A scroll area would otherwise keep room for a few rows, which one conversion lacks.
    list->setMinimumHeight(std::min(listWanted, ShortestListRows * rowHeight()));
    const int others = layout()->minimumSize().height() - list->minimumHeight();
    setMaximumHeight(tallest);
    resize(width(), std::min(others + listWanted, tallest));

    QRect whole(isVisible() ? frameGeometry().topLeft() : pos(), size() + frame);
    if (!placed) {
        const int step = 2 * fontMetrics().height();
        whole.moveCenter(available.center() + QPoint(step, step) * (otherBatchWindows() % 4));
    }
    placed = true;
    whole.moveBottom(std::min(whole.bottom(), available.bottom()));
    whole.moveTop(std::max(whole.top(), available.top()));
    whole.moveRight(std::min(whole.right(), available.right()));
    whole.moveLeft(std::max(whole.left(), available.left()));
    move(whole.topLeft());
}

// Other batches' windows already shown: a new one is set off from them, so that none hides
// another whole.
int ConversionWindow::otherBatchWindows() const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(), [this](const QWidget *window) {
        return window != this && window->isVisible() &&
               qobject_cast<const ConversionWindow *>(window);
    }));
}

int ConversionWindow::rowHeight() const
{
    return conversions.isEmpty() ? 0 : conversions.constFirst()->sizeHint().height();
}

#include "moc_conversionwindow.cpp"
