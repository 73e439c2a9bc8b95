#pragma once

#include "encoderoutput.h"
#include "platform/conversionrequest.h"

#include <QObject>

#include <memory>

class EncoderProcess;
class OutputLock;
class QTimer;

// How a conversion ended.
struct ConversionOutcome
{
    enum class Kind
    {
        Succeeded,
        Failed,  // the encoder ended with an error
        Refused, // the encoder was never started
        Stopped  // the user stopped it
    };

    Kind kind;
    QString detail = {};      // Failed: the encoder's exit status; Refused: why
    QString lastMessage = {}; // Failed: the encoder's last message, its reason as a rule

    // What the user is told, in one or two lines.
    QString text() const;
};

// One conversion, watched from start to end. It takes the output's lock and makes sure the
// output is not the input before the encoder starts, so no other conversion writes the
// same file and no input is overwritten by its own output.
class Conversion : public QObject
{
    Q_OBJECT

public:
    explicit Conversion(ConversionRequest request, QObject *parent = nullptr);
    ~Conversion() override;

    const ConversionRequest &request() const { return order; }
    const EncoderOutput &output() const { return encoderOutput; }
    bool isRunning() const;

    // Starts the encoder, or refuses to; either way `finished` follows once it is over.
    void start();

    // Asks the encoder to stop and finish its file; ends it for sure 5 seconds later.
    void stop();

signals:
    void outputChanged();
    void finished(const ConversionOutcome &outcome);

private:
    void refuse(const QString &reason);
    void takeOutput(const QByteArray &bytes);
    void end(int exitCode, bool bySignal);

    ConversionRequest order;
    EncoderOutput encoderOutput;
    std::unique_ptr<OutputLock> lock;
    EncoderProcess *encoder = nullptr;
    QTimer *forcedStop = nullptr;
    bool stopping = false;
};
