#include "conversionhost.h"

#include "conversion.h"
#include "conversionwindow.h"
#include "platform/linux/requestsocket.h"
#include "platform/standarderror.h"

#include <QTimer>

namespace {

void reportUnlessSucceeded(const Conversion &conversion, const ConversionOutcome &outcome)
{
    if (outcome.kind == ConversionOutcome::Kind::Succeeded)
        return;
    const EncoderCall &call = conversion.request().call;
    writeLineToStandardError(
        QStringLiteral("orvalen: %1 → %2: %3")
            .arg(call.input(), call.output(), outcome.text().replace(u'\n', QStringLiteral(": "))));
}

} // namespace

ConversionHost::ConversionHost(Presentation presentation, QObject *parent)
    : QObject(parent), presentation(presentation)
{
}

void ConversionHost::serve(int descriptor)
{
    auto *connection = new RequestConnection(descriptor, this);
    ++streams;
    connect(connection, &RequestConnection::received, this, &ConversionHost::start);
    connect(connection, &RequestConnection::closed, this, [this, connection] {
        connection->deleteLater();
        --streams;
        leaveIfIdle();
    });
}

bool ConversionHost::isIdle() const
{
    return streams == 0 && conversions == 0;
}

void ConversionHost::leaveIfIdle()
{
    if (isIdle())
        emit idle();
}

void ConversionHost::start(const ConversionRequest &request)
{
    auto *conversion = new Conversion(request);
    QObject *presenter = conversion;
    ConversionWindow *window = nullptr;
    if (presentation == Presentation::Windows) {
        window = new ConversionWindow(conversion);
        presenter = window;
    } else {
        conversion->setParent(this);
        connect(conversion, &Conversion::finished, this,
                [conversion](const ConversionOutcome &outcome) {
                    reportUnlessSucceeded(*conversion, outcome);
                    conversion->deleteLater();
                });
    }
    ++conversions;
    connect(presenter, &QObject::destroyed, this, [this] {
        --conversions;
        leaveIfIdle();
    });
    conversion->start();
    // Shown once the encoder runs, and after the requests already waiting have started
    // theirs: making a window takes longer than starting a process.
    if (window)
        QTimer::singleShot(0, window, &QWidget::show);
}
