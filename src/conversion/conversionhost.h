#pragma once

#include "jobs/conversionrequest.h"

#include <QHash>
#include <QObject>

class RequestConnection;
class WindowPart;

// Takes conversion requests from the streams of the programs that ask for them, starts each
// conversion at once and answers its stream whether its encoder started. Each conversion
// is shown in a window of its own or, without a display, reported on standard error when it
// fails; the program that asked reports it instead when it waits for the conversion.
class ConversionHost : public QObject
{
    Q_OBJECT

public:
    enum class Presentation
    {
        Windows,
        StandardError
    };

    // Encoders are started through `startStep`, the companion's program (see encoderstart.h).
    ConversionHost(Presentation presentation, QByteArray startStep, QObject *parent = nullptr);
    ~ConversionHost() override;

    // Serves one stream: starts the conversions that it has asked for already.
    void serve(int descriptor);

    // From now on the event loop runs: follows every stream and conversion, and shows the
    // conversions in windows of the window part (none when it could not be loaded).
    void watch(WindowPart *windowPart);

    // Whether no stream is open and no conversion (nor its window) is left.
    bool isIdle() const;

    // Says `idle` when it is.
    void leaveIfIdle();

signals:
    void idle();

private:
    class Entry;

    void take(RequestConnection *client, const ProgramMessage &message);
    void start(RequestConnection *client, const ConversionRequest &request);
    void answer(Entry *entry, const ConversionOutcome &outcome);
    void end(Entry *entry, const ConversionOutcome &outcome);
    void forget(Entry *entry);
    void closeStream(RequestConnection *client);
    void showWindows();

    Presentation presentation;
    QByteArray startStep;
    WindowPart *windows = nullptr;
    bool watching = false;
    // Each open stream, with the number that its next request gets.
    QHash<RequestConnection *, quint32> streams;
    QList<Entry *> entries;
};
