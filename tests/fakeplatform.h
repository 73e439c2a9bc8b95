#pragma once

#include "jobs/platform.h"

#include <cerrno>
#include <deque>
#include <map>
#include <utility>

// A platform that records what it is asked and answers as a test scripted it.
class FakePlatform final : public Platform
{
public:
    struct Message
    {
        std::u16string text;
        MessageStyle style;
        const BoxOwner *owner;
    };

    TextList givenArguments;
    std::u16string givenProgramDirectory = u"/opt/orvalen";
    FileNameStyle fileNames = PosixFileNames;
    // Message box answers; OK when none is left.
    std::deque<MessageAnswer> answers;
    // File dialog answers; a cancel when none is left.
    std::deque<std::optional<std::u16string>> files;
    // The launch after this many fails; -1: none fails.
    int launchesBeforeFailure = -1;
    // The companion's answer by input; Started if none.
    std::map<std::u16string, ConversionOutcome> outcomes;
    // The companion answers for no batch.
    std::optional<Error> batchFailure;

    std::vector<EncoderCall> launches;
    std::vector<Message> messages;
    TextList errors;
    TextList toldToBatch;
    int toldAfterBatchEnd = 0; // told when no batch had runs left to answer for
    TextList dialogTitles;
    TextList dialogFilters;
    std::optional<int> endedWith;
    int callsAfterEnd = 0;
    int finishedBatches = 0;

    TextList arguments() const override { return givenArguments; }

    std::u16string programDirectory() const override { return givenProgramDirectory; }
    const FileNameStyle &fileNameStyle() const override { return fileNames; }

    Result<void> launch(const EncoderCall &call) override
    {
        noteCall();
        if (std::cmp_equal(launches.size(), launchesBeforeFailure))
            return Error{Error::What::EncoderNotStartable, ENOENT, call.encoder};
        launches.push_back(call);
        return {};
    }

    BatchAnswer finishBatch() override
    {
        noteCall();
        BatchAnswer answer{{}, batchFailure, {}};
        for (std::size_t i = launchesAnswered; i < launches.size(); ++i) {
            const EncoderCall &call = launches[i];
            if (batchFailure)
                answer.unanswered.push_back(call.input);
            else
                answer.conversions.push_back({call, outcomeOf(call.input)});
        }
        launchesAnswered = launches.size();
        ++finishedBatches;
        return answer;
    }

    MessageAnswer messageBox(const BoxOwner *owner, const std::u16string &text,
                             MessageStyle style) override
    {
        noteCall();
        messages.push_back({text, style, owner});
        return answers.empty() ? MessageAnswer::Ok : take(answers);
    }

    void tellBatch(const std::u16string &text) override
    {
        noteCall();
        toldToBatch.push_back(text);
        toldAfterBatchEnd += launchesAnswered == launches.size();
    }

    void writeError(const std::u16string &text) override
    {
        noteCall();
        errors.push_back(text);
    }

    void endProgram(int exitStatus) override
    {
        noteCall();
        endedWith = exitStatus;
    }

    std::optional<std::u16string> chooseFileToOpen(const BoxOwner *, const std::u16string &title,
                                                   const std::u16string &filter) override
    {
        noteCall();
        dialogTitles.push_back(title);
        dialogFilters.push_back(filter);
        return files.empty() ? std::nullopt : take(files);
    }

    // The input paths of the recorded launches, in order.
    TextList launchedInputs() const
    {
        TextList inputs;
        for (const EncoderCall &call : launches)
            inputs.push_back(call.input);
        return inputs;
    }

private:
    std::size_t launchesAnswered = 0;

    template <typename T> static T take(std::deque<T> &queue)
    {
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }

    ConversionOutcome outcomeOf(const std::u16string &input) const
    {
        const auto found = outcomes.find(input);
        return found != outcomes.end() ? found->second
                                       : ConversionOutcome{ConversionOutcome::Kind::Started};
    }

    // The real program is gone after endProgram: nothing may be asked of it any more.
    void noteCall()
    {
        if (endedWith)
            ++callsAfterEnd;
    }
};
