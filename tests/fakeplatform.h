#pragma once

#include "jobs/platform.h"

#include <QList>
#include <QMap>
#include <QQueue>

#include <cerrno>

// A platform that records what it is asked and answers as a test scripted it.
class FakePlatform final : public Platform
{
public:
    struct Message
    {
        QString text;
        MessageStyle style;
        QWidget *parent;
    };

    QStringList givenArguments;
    QString givenProgramDirectory = QStringLiteral("/opt/orvalen");
    QQueue<MessageAnswer> answers;             // message box answers; OK when none is left
    QQueue<std::optional<QString>> files;      // file dialog answers; a cancel when none is left
    int launchesBeforeFailure = -1;            // the launch after this many fails; -1: none fails
    QMap<QString, ConversionOutcome> outcomes; // the companion's answer by input; Started if none
    std::optional<Error> batchFailure;         // the companion answers for no batch

    QList<EncoderCall> launches;
    QList<Message> messages;
    QStringList errors;
    QStringList toldToBatch;
    int toldAfterBatchEnd = 0; // told when no batch had runs left to answer for
    QStringList dialogTitles;
    QStringList dialogFilters;
    std::optional<int> endedWith;
    int callsAfterEnd = 0;
    int finishedBatches = 0;

    QStringList arguments() const override { return givenArguments; }

    QString programDirectory() const override { return givenProgramDirectory; }

    Result<void> launch(const EncoderCall &call) override
    {
        noteCall();
        if (launches.size() == launchesBeforeFailure)
            return Error{Error::What::EncoderNotStartable, ENOENT, call.encoder};
        launches.append(call);
        return {};
    }

    BatchAnswer finishBatch() override
    {
        noteCall();
        BatchAnswer answer{{}, batchFailure, {}};
        const ConversionOutcome started{ConversionOutcome::Kind::Started};
        for (const EncoderCall &call : launches.sliced(launchesAnswered)) {
            if (batchFailure)
                answer.unanswered.append(call.input);
            else
                answer.conversions.append({call, outcomes.value(call.input, started)});
        }
        launchesAnswered = launches.size();
        ++finishedBatches;
        return answer;
    }

    MessageAnswer messageBox(QWidget *parent, const QString &text, MessageStyle style) override
    {
        noteCall();
        messages.append({text, style, parent});
        return answers.isEmpty() ? MessageAnswer::Ok : answers.dequeue();
    }

    void tellBatch(const QString &text) override
    {
        noteCall();
        toldToBatch.append(text);
        toldAfterBatchEnd += launchesAnswered == launches.size();
    }

    void writeError(const QString &text) override
    {
        noteCall();
        errors.append(text);
    }

    void endProgram(int exitStatus) override
    {
        noteCall();
        endedWith = exitStatus;
    }

    std::optional<QString> chooseFileToOpen(QWidget *, const QString &title,
                                            const QString &filter) override
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
        for (const EncoderCall &call : launches)
            inputs.append(call.input);
        return inputs;
    }

private:
    qsizetype launchesAnswered = 0;

    // The real program is gone after endProgram: nothing may be asked of it any more.
    void noteCall()
    {
        if (endedWith)
            ++callsAfterEnd;
    }
};
