#pragma once

#include "platform/platform.h"

#include <QList>
#include <QQueue>

// A platform that records what it is asked and answers as a test scripted it.
class FakePlatform final : public Platform
{
public:
    struct Message
    {
        QString text;
        int style;
    };

    QString givenCommandLine;
    QString givenProgramDirectory = QStringLiteral("/opt/orvalen");
    QQueue<int> answers;                  // message box answers; OK when none is left
    QQueue<std::optional<QString>> files; // file dialog answers; a cancel when none is left
    int launchesBeforeFailure = -1;       // the launch after this many fails; -1: none fails

    QList<ProcessCommand> launches;
    QList<Message> messages;
    QList<QString> dialogTitles;
    QList<QString> dialogFilters;
    std::optional<int> endedWith;
    int callsAfterEnd = 0;

    QString commandLine() const override { return givenCommandLine; }

    QString programDirectory() const override { return givenProgramDirectory; }

    LaunchResult launch(const ProcessCommand &command) override
    {
        noteCall();
        if (launches.size() == launchesBeforeFailure)
            return {QStringLiteral("cannot start ") + command.program};
        launches.append(command);
        return {};
    }

    int messageBox(const QString &text, int style) override
    {
        noteCall();
        messages.append({text, style});
        return answers.isEmpty() ? MessageAnswer::Ok : answers.dequeue();
    }

    void endProgram(int exitStatus) override
    {
        noteCall();
        endedWith = exitStatus;
    }

    std::optional<QString> chooseFileToOpen(const QString &title, const QString &filter) override
    {
        noteCall();
        dialogTitles.append(title);
        dialogFilters.append(filter);
        return files.isEmpty() ? std::nullopt : files.dequeue();
    }

    // The input paths of the recorded launches, in order.
    QStringList launchedInputs() const
    {
        QStringList inputs;
        for (const ProcessCommand &command : launches)
            inputs.append(command.arguments.value(2));
        return inputs;
    }

private:
    // The real program is gone after endProgram: nothing may be asked of it any more.
    void noteCall()
    {
        if (endedWith)
            ++callsAfterEnd;
    }
};
