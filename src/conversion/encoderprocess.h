#pragma once

#include <QByteArrayList>
#include <QObject>

#include <sys/types.h>

class QSocketNotifier;

// The encoder, run as our child for one conversion. It gets standard input from /dev/null,
// both output streams into a pipe of ours, no other descriptor but the ones it is given, a
// session of its own, and every signal's disposition and the signal mask at their defaults.
// Should we die, it is killed: no encoder writes on unwatched, without its output's lock.
class EncoderProcess : public QObject
{
    Q_OBJECT

public:
    explicit EncoderProcess(QObject *parent = nullptr);
    ~EncoderProcess() override;

    // Starts the program in the working directory, with descriptors of ours that it keeps
    // under their numbers. Returns 0, or the errno of what failed.
    int start(const QByteArray &workingDirectory, const QByteArray &program,
              const QByteArrayList &arguments, const QList<int> &inherited);

    // Follows the started encoder's output and end from the event loop, which must exist.
    void watch();
    bool isWatched() const { return exitNotifier != nullptr; }

    // Sends a signal to the running encoder.
    void sendSignal(int signal);

signals:
    void outputReceived(const QByteArray &bytes);
    // The encoder has ended with an exit code, or was ended by the signal of that number.
    void finished(int exitCode, bool bySignal);

private:
    void readOutput();
    void reap();

    pid_t pid = -1;
    int outputDescriptor = -1;
    int exitDescriptor = -1;
    QSocketNotifier *outputNotifier = nullptr;
    QSocketNotifier *exitNotifier = nullptr;
};
