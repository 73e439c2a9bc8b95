#pragma once

#include "jobs/conversionrequest.h"

#include <QHash>
#include <QObject>

#include <memory>

class RequestConnection;
class WindowPart;

// Takes conversion requests from the streams of the programs that ask for them, starts each
// conversion at once and answers its stream whether its encoder started. The conversions
// that one stream asks for are a batch, shown in one window with the notes that came with
// them; without a display, or when the window part could not be loaded, a conversion that
// fails is reported on standard error (and then in the user's journal too). The program that
// asked reports it instead when it waits for the conversion. Closing a batch's window stops
// that batch, and only that one.
class ConversionHost : public QObject
{
    Q_OBJECT

public:
    enum class Presentation
    {
        Windows,
        StandardError
    };

    explicit ConversionHost(Presentation presentation, QObject *parent = nullptr);
    ~ConversionHost() override;

    // Serves one stream: starts the conversions that it has asked for already.
    void serve(int descriptor);

    // From now on the event loop runs: follows every stream and conversion, and shows the
    // batches in windows of the window part (none when it could not be loaded).
    void watch(WindowPart *windowPart);

    // Whether no stream is open, no conversion (nor its batch's window) is left and no
    // desktop notice is still being sent.
    bool isIdle() const;

    // Says `idle` when it is.
    void leaveIfIdle();

signals:
    void idle();

private:
    class Batch;
    class Entry;

    void take(Batch *batch, const ProgramMessage &message);
    void start(Batch *batch, const ConversionRequest &request);
    void answer(Entry *entry, const ConversionOutcome &outcome);
    void end(Entry *entry, const ConversionOutcome &outcome);
    void closeStream(Batch *batch);
    void endIfDone(Batch *batch);
    void tellUnseen(const std::u16string &line) const;
    void notifyDesktop(const std::u16string &text);
    void forget(Batch *batch);
    void showWindowsSoon();
    void showWindows();

    Presentation presentation;
    WindowPart *windows = nullptr;
    bool watching = false;
    bool showingDue = false;
    int unsentNotices = 0;
    // Held as long as the host lives: what the window part calls back checks it first.
    std::shared_ptr<int> aliveToken = std::make_shared<int>();
    QList<Batch *> batches;
};
