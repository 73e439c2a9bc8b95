#include "conversionrow.h"

#include "jobs/batchcounts.h"
#include "qttext.h"
#include "wrappedtext.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>

namespace {

constexpr int DetailLines = 6;

// A label that cuts its one line in the middle when it is too narrow for it.
class ElidedLabel final : public QLabel
{
public:
    ElidedLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawText(contentsRect(), int(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width()));
    }
};

void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QString wholePath(const std::u16string &workingDirectory, const std::u16string &name)
{
    return QDir::cleanPath(QDir(toQString(workingDirectory)).filePath(toQString(name)));
}

// What a row says below itself of an end; after a failure, that the output is untouched.
std::optional<QString> endDetails(const ConversionOutcome &outcome, const QStringList &lines)
{
    if (outcome.kind == ConversionOutcome::Kind::Refused)
        return toQString(outcome.text());
    if (outcome.kind != ConversionOutcome::Kind::Failed)
        return std::nullopt;
    QString text =
        toQString(outcome.text()) + QStringLiteral("\n出力ファイルには何も書き込んでいません。");
    if (!lines.isEmpty())
        text += QStringLiteral("\n\nエンコーダーの最後の出力:\n") + lines.join(u'\n');
    return text;
}

} // namespace

ConversionRow::ConversionRow(const ConversionRequest &request, std::function<void()> stop,
                             QWidget *parent)
    : QWidget(parent), progress(new QProgressBar(this)),
      state(new QLabel(toQString(stateText(std::nullopt)), this)), stopButton(new QToolButton(this))
{
    const QString input = wholePath(request.workingDirectory, request.call.input);
    const QString output = wholePath(request.workingDirectory, request.call.output);
    name = new ElidedLabel(QFileInfo(input).fileName(), this);
    name->setToolTip(QStringLiteral("入力: %1\n出力: %2").arg(input, output));
    const int em = fontMetrics().horizontalAdvance(u'あ');
    progress->setRange(0, 0);
    progress->setFixedWidth(em * 7);
    state->setMinimumWidth(fontMetrics().horizontalAdvance(
        toQString(stateText(ConversionOutcome{ConversionOutcome::Kind::Refused}))));
    stopButton->setText(QStringLiteral("中止"));
    // Rows line up whether or not their bar and button show.
    keepPlaceWhenHidden(progress);
    keepPlaceWhenHidden(stopButton);
    connect(stopButton, &QToolButton::clicked, this, [this, stop = std::move(stop)] {
        stopButton->setEnabled(false);
        stop();
    });

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(name, 0, 0);
    layout->addWidget(progress, 0, 1);
    layout->addWidget(state, 0, 2);
    layout->addWidget(stopButton, 0, 3);
    layout->setColumnStretch(0, 1);
}

void ConversionRow::showProgress(std::optional<int> percent, const QStringList &lines)
{
    latestLines = lines;
    if (!percent || progress->value() == *percent)
        return;
    progress->setRange(0, 100);
    progress->setValue(*percent);
}

void ConversionRow::showState(const ConversionOutcome &outcome)
{
    state->setText(toQString(stateText(outcome)));
    if (!outcome.hasEnded())
        return;
    stopButton->hide();
    // A bar that never got a value would go on moving (the style animates an empty bar);
    // one that did stays where the encoder left off, and is full after a success.
    progress->setRange(0, 100);
    if (outcome.kind == ConversionOutcome::Kind::Succeeded)
        progress->setValue(100);
    if (progress->value() <= 0)
        progress->setVisible(false);
    if (const std::optional<QString> text = endDetails(outcome, latestLines)) {
        QPalette alarming = state->palette();
        alarming.setColor(QPalette::WindowText, Qt::darkRed);
        state->setPalette(alarming);
        showDetails(*text);
    }
}

void ConversionRow::showDetails(const QString &text)
{
    auto *details = new WrappedText(DetailLines, this);
    details->setText(text);
    static_cast<QGridLayout *>(layout())->addWidget(details, 1, 0, 1, 4);
}
