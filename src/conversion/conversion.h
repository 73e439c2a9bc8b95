#pragma once

#include "encoderoutput.h"
#include "jobs/conversionrequest.h"

#include <QObject>

#include <memory>

class EncoderProcess;
class OutputLock;
class QTimer;
class TemporaryOutput;
template <typename T> class QFutureWatcher;

// One conversion, watched from start to end. Before the encoder starts, it opens the
// output's folder, through which every later step on the output goes, takes the output's
// lock, and makes sure that the output is a plain file (or none yet) and not the input, so
// no other conversion writes the same file, nothing lands in a folder swapped in meanwhile,
// nothing is written through a link or into a device, and no input is overwritten by its
// own output. The encoder writes a temporary
// file beside the output, which replaces the output only once the encoder has succeeded:
// a conversion that fails or is stopped leaves an earlier output as it was. Those files are
// settled on a worker thread, and the conversion ends once they are.
class Conversion : public QObject
{
    Q_OBJECT

public:
    explicit Conversion(ConversionRequest request, QObject *parent = nullptr);
    ~Conversion() override;

    const ConversionRequest &request() const { return order; }
    const EncoderOutput &output() const { return encoderOutput; }
    bool isRunning() const;

    // Starts the encoder, or refuses to; `answered` says which: at once for a refusal, an
    // encoder that cannot start included, otherwise from the event loop once the conversion
    // is watched (Started). After Started, `finished` follows once the
    // encoder has ended.
    void start();

    // Follows the encoder from the event loop, which must exist.
    void watch();

    // Asks the encoder to stop; ends it for sure 5 seconds later.
    void stop();

signals:
    void answered(const ConversionOutcome &outcome);
    void outputChanged();
    void finished(const ConversionOutcome &outcome);

private:
    Result<void> prepareOutput(const QByteArray &input, const QByteArray &output);
    void refuse(const Error &reason);
    void killLater();
    void takeOutput(const QByteArray &bytes);
    void end(int exitCode, bool bySignal);
    ConversionOutcome outcomeOfPublishing(const std::optional<Error> &failure) const;
    std::u16string encoderReason() const;

    ConversionRequest order;
    EncoderOutput encoderOutput;
    std::unique_ptr<OutputLock> lock;
    std::unique_ptr<TemporaryOutput> temporary;
    EncoderProcess *encoder = nullptr;
    // Once the encoder has ended, until its files are settled (see end()).
    QFutureWatcher<std::optional<Error>> *settling = nullptr;
    QTimer *forcedStop = nullptr;
    bool stopping = false;
};
