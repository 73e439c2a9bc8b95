#pragma once

#include "encoderlaunch.h"
#include "jobs/error.h"
#include "platform/uniquefd.h"

#include <QObject>

#include <optional>
#include <span>
#include <string>

#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// The encoder, run as our child for one conversion (see launchEncoder()), so it is killed
// should we die. It gets standard input from /dev/null, both output streams into a pipe of
// ours, no descriptor but the ones it is given, a session and so a process group of its own,
// and every signal's disposition and the signal mask at their defaults. Once the encoder has ended,
// whatever it started and left running is killed with its process group, and its end is told only
// once that group is empty: nothing it started writes to its output any more. An encoder still
// running when its owner ends is killed with its group and reaped from the event loop.
class EncoderProcess : public QObject
{
    Q_OBJECT

public:
    // The most read of the encoder's output at each wake-up of the event loop.
    static constexpr qsizetype ReadLimit = 64 * 1024;

    explicit EncoderProcess(QObject *parent = nullptr);
    ~EncoderProcess() override;

    // Starts the program in the working directory, giving it the `given` descriptors of ours
    // as FirstGivenDescriptor and on; an exec that fails is told here.
    Result<void> start(const std::string &workingDirectory, const std::string &program,
                       std::span<const std::string> arguments, std::span<const int> given);

    // Tells that the encoder runs, then follows its output and end, from the event loop,
    // which must exist.
    void watch();
    bool isWatched() const { return watched; }

    // Sends a signal to the running encoder's process group.
    void sendSignal(int signal);

signals:
    void running();
    void outputReceived(const QByteArray &bytes);
    // The encoder has ended with an exit code, or was ended by the signal of that number.
    void finished(int exitCode, bool bySignal);

private:
    void tellRunning();
    void readOutput();
    void reap();
    void awaitGroupEnd();
    void tellEnd();

    pid_t pid = -1;
    // Once the encoder is reaped: its wait status.
    std::optional<int> status;
    UniqueFd output;
    UniqueFd exit;
    bool watched = false;
    bool toldRunning = false;
    QSocketNotifier *outputNotifier = nullptr;
    QSocketNotifier *exitNotifier = nullptr;
    QTimer *groupWatch = nullptr;
};
