#pragma once

#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QByteArrayList>
#include <QObject>

#include <optional>

#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// The encoder, run as our child for one conversion through the start step (see
// encoderstart.h), so it is killed should we die. It gets standard input from /dev/null,
// both output streams into a pipe of ours, no descriptor but the ones it is given, a
// session and so a process group of its own, and every signal's disposition and the signal
// mask at their defaults. Once the encoder has ended, whatever it started and left running
// is killed with its process group, and its end is told only once that group is empty:
// nothing it started writes to its output any more. An encoder still running when its owner
// ends is killed with its group and reaped from the event loop.
class EncoderProcess : public QObject
{
    Q_OBJECT

public:
    // The number that the encoder sees the first descriptor it is given under.
    static constexpr int FirstGivenDescriptor = 4;
    // The most read of the encoder's output at each wake-up of the event loop.
    static constexpr qsizetype ReadLimit = 64 * 1024;

    explicit EncoderProcess(QObject *parent = nullptr);
    ~EncoderProcess() override;

    // Starts the program in the working directory through the start step, the program
    // `startStep` (see encoderstart.h), giving it the `given` descriptors of ours as
    // FirstGivenDescriptor and on.
    Result<void> start(const QByteArray &startStep, const QByteArray &workingDirectory,
                       const QByteArray &program, const QByteArrayList &arguments,
                       const QList<int> &given);

    // Follows the start step's report, then the encoder's output and end, from the event
    // loop, which must exist.
    void watch();
    bool isWatched() const { return watched; }

    // Sends a signal to the running encoder's process group.
    void sendSignal(int signal);

signals:
    // The start step has become the encoder.
    void running();
    // The start step could not become the encoder; it has ended.
    void failedToStart(const Error &error);
    void outputReceived(const QByteArray &bytes);
    // The encoder has ended with an exit code, or was ended by the signal of that number.
    void finished(int exitCode, bool bySignal);

private:
    void readReport();
    void readOutput();
    void reap();
    void awaitGroupEnd();
    void tellEnd();

    pid_t pid = -1;
    // Once the encoder is reaped: its wait status.
    std::optional<int> status;
    QByteArray encoder;
    std::optional<Error> startFailure;
    UniqueFd report;
    UniqueFd output;
    UniqueFd exit;
    bool watched = false;
    QSocketNotifier *reportNotifier = nullptr;
    QSocketNotifier *outputNotifier = nullptr;
    QSocketNotifier *exitNotifier = nullptr;
    QTimer *groupWatch = nullptr;
};
