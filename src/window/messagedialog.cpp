#include "messagedialog.h"

#include "applicationsetup.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>

namespace {

// Room that the window frame, the dialog's margins, the icon and the buttons take.
constexpr int FrameRoom = 48;
constexpr int ChromeHeight = 96;
constexpr int IconRoom = 100;

QLabel *iconLabel(MessageDialog::Icon icon, QWidget *dialog)
{
    const QStyle::StandardPixmap pixmap = icon == MessageDialog::Icon::Error
                                              ? QStyle::SP_MessageBoxCritical
                                              : QStyle::SP_MessageBoxQuestion;
    const int size = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, dialog);
    auto *label = new QLabel(dialog);
    label->setPixmap(dialog->style()->standardIcon(pixmap, nullptr, dialog).pixmap(size));
    label->setAlignment(Qt::AlignTop);
    return label;
}

QLabel *textLabel(const QString &text, bool wrapped, QWidget *dialog)
{
    auto *label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrapped);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// The lines above the last one, whole and scrolling, as big as the room allows.
QPlainTextEdit *scrollingLines(const QStringList &lines, QSize room, QWidget *dialog)
{
    auto *view = new QPlainTextEdit(lines.join(u'\n'), dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFontMetrics metrics = view->fontMetrics();
    // Room for the frame, the document's margins and a scroll bar either way.
    const int scrollBar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    const int edge = 2 * view->frameWidth() + 2 * int(view->document()->documentMargin());
    const QSize border(edge + scrollBar, edge + scrollBar);
    const QSize wanted = QSize(metrics.size(0, lines.join(u'\n')).width(),
                               metrics.lineSpacing() * int(lines.size())) +
                         border;
    view->setFixedSize(wanted.boundedTo(room));
    return view;
}

} // namespace

MessageDialog::MessageDialog(QWidget *parent, const QString &text, Icon icon, bool withCancel)
    : QDialog(parent)
{
    setWindowTitle(applicationTitle());
    setModal(true);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen->availableGeometry().size() - QSize(FrameRoom, FrameRoom);
    setMaximumSize(room);

    auto *layout = new QGridLayout(this);
    if (icon != Icon::None)
        layout->addWidget(iconLabel(icon, this), 0, 0, 2, 1);

    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r?\n")));
    const QFontMetrics metrics = fontMetrics();
    const QSize textSize = metrics.size(0, lines.join(u'\n'));
    const bool fits = textSize.height() + ChromeHeight <= room.height() &&
                      textSize.width() + IconRoom <= room.width();
    if (fits || lines.size() < 2) {
        // A single line too long for the screen wraps, across the whole room; lines that
        // fit stay whole.
        QLabel *label = textLabel(lines.join(u'\n'), !fits, this);
        if (!fits)
            label->setMinimumWidth(room.width() - IconRoom);
        layout->addWidget(label, 0, 1, 2, 1);
    } else {
        const int textWidth = room.width() - IconRoom;
        const int lastHeight =
            metrics
                .boundingRect(0, 0, textWidth, room.height(), Qt::TextWordWrap, lines.constLast())
                .height();
        const QSize listRoom(textWidth, room.height() - ChromeHeight - lastHeight);
        layout->addWidget(scrollingLines(lines.first(lines.size() - 1), listRoom, this), 0, 1);
        layout->addWidget(textLabel(lines.constLast(), true, this), 1, 1);
    }

    auto *buttons = new QDialogButtonBox(
        withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

#include "moc_messagedialog.cpp"
