#include "fakeplatform.h"
#include "jobs/commandlinebatch.h"
#include "rules/check.h"

namespace {

TextList numberedNames(int from, int to)
{
    TextList names;
    for (int i = from; i <= to; ++i)
        names.push_back(u"/v/clip" + decimal(i) + u".mp4");
    return names;
}

TextList operator+(TextList first, const TextList &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// What the batch is told of names that come after the 32 looked at.
std::u16string leftOut(const TextList &names)
{
    return u"32個を超えるファイルは同時に処理できません。次のファイルは変換しませんでした。\n" +
           joined(names, u"\n");
}

constexpr int ShowWindow = -1;

using Outcomes = std::map<std::u16string, ConversionOutcome>;

} // namespace

TEST(batches)
{
    struct Row
    {
        const char *name;
        TextList arguments;
        TextList converted;
        int status;
        TextList told; // to the batch, in its window or on standard error
    };
    const Row rows[] = {
        {"none: window", {}, {}, ShowWindow, {}},
        {"one-character names: window", {u"a", u"b"}, {}, ShowWindow, {}},
        {"two names", {u"x.mp4", u"y.mp4"}, {u"x.mp4", u"y.mp4"}, 0, {}},
        {"a tab belongs to the name", {u"x.mp4\ty.mp4"}, {u"x.mp4\ty.mp4"}, 0, {}},
        {"spaces and quotes stay in the name",
         {u"/My Videos/a b.mp4", uR"(say "hi".mp4)", u"    "},
         {u"/My Videos/a b.mp4", uR"(say "hi".mp4)"},
         0,
         {}},
        {"40 names: 32 converted, 8 named",
         numberedNames(1, 40),
         numberedNames(1, 32),
         4,
         {leftOut(numberedNames(33, 40))}},
        {"a skipped name counts among the 32",
         TextList{u"a"} + numberedNames(1, 32),
         numberedNames(1, 31),
         4,
         {leftOut(numberedNames(32, 32))}},
        {"one stem twice: the later one is left out",
         {u"song.m4a", u"song.wav", u"b.mp4"},
         {u"song.m4a", u"b.mp4"},
         4,
         {u"次のファイルは、出力ファイルが先のファイルと同じになるため変換しませんでした。\n"
          u"song.wav → song.mp3"}},
    };
    check::eachRow(rows, [](const Row &row) {
        FakePlatform platform;
        platform.givenArguments = row.arguments;
        CHECK_EQ(convertCommandLineNames(platform).value_or(ShowWindow), row.status);
        CHECK_EQ(platform.launchedInputs(), row.converted);
        CHECK_EQ(platform.toldToBatch, row.told);
        // Told after the batch has ended, it would miss the batch's window.
        CHECK_EQ(platform.toldAfterBatchEnd, 0);
        CHECK(platform.errors.empty());
        CHECK(platform.messages.empty());
        CHECK(!platform.endedWith);
    });
}

TEST(shortNameEndsTheBatch)
{
    FakePlatform platform;
    platform.givenArguments = {u"first.mp4", u"ab", u"last.mp4"};
    CHECK_EQ(convertCommandLineNames(platform), 1);
    CHECK_EQ(platform.launchedInputs(), TextList{u"first.mp4"});
    CHECK_EQ(platform.messages.size(), 1);
    CHECK_EQ(platform.messages[0].text, u"ab : このファイルは処理できません。終了します");
}

TEST(launchFailureNamesWhatWasNotConverted)
{
    FakePlatform platform;
    platform.givenArguments = {u"a.mp4", u"b.mp4", u"x", u"c.mp4"};
    platform.launchesBeforeFailure = 1;
    CHECK_EQ(convertCommandLineNames(platform), 2);
    CHECK_EQ(platform.launchedInputs(), TextList{u"a.mp4"});
    CHECK_EQ(platform.messages.size(), 1);
    CHECK_EQ(platform.messages[0].text, u"エンコーダーを起動できません: /opt/orvalen/cores/ffmpeg\n"
                                        u"ファイルまたはフォルダーがありません\n"
                                        u"次のファイルは変換しませんでした。\nb.mp4\nc.mp4");
}

// What the companion answers for the conversions it was handed decides the exit status;
// every conversion that did not start or succeed is named on standard error.
TEST(companionAnswers)
{
    struct Row
    {
        const char *name;
        Outcomes outcomes;
        bool answered;
        int status;
        TextList errors;
        TextList boxes;
    };
    using Kind = ConversionOutcome::Kind;
    const Error busy{Error::What::OutputLockBusy};
    const std::u16string busyLine =
        u"orvalen: b.mp4 → b.mp3: 変換できません: この出力ファイルには、別の変換が書き込んでいます。";
    const Error exited{Error::What::EncoderExited, 1};
    const std::u16string exitedLine = u"orvalen: a.mp4 → a.mp3: 変換に失敗しました（終了コード 1）";
    // Not started, as an encoder found missing before the companion was involved.
    const Error notRunnable{Error::What::EncoderNotStartable, ENOEXEC, u"/p/cores/ffmpeg"};
    const Row rows[] = {
        {"all started", {}, true, 0, {}, {}},
        {"a refusal", {{u"b.mp4", {Kind::Refused, busy}}}, true, 4, {busyLine}, {}},
        {"a failure outweighs a refusal",
         {{u"a.mp4", {Kind::Failed, exited}}, {u"b.mp4", {Kind::Refused, busy}}},
         true,
         5,
         {exitedLine, busyLine},
         {}},
        {"an encoder that could not run outweighs a failure",
         {{u"a.mp4", {Kind::Failed, exited}}, {u"b.mp4", {Kind::Refused, notRunnable}}},
         true,
         2,
         {exitedLine, u"orvalen: b.mp4 → b.mp3: 変換できません: エンコーダーを起動できません: "
                      u"/p/cores/ffmpeg: 実行できる形式のプログラムではありません"},
         {}},
        {"a stop",
         {{u"a.mp4", {Kind::Stopped}}},
         true,
         5,
         {u"orvalen: a.mp4 → a.mp3: 変換を中止しました。"},
         {}},
        {"no answer",
         {},
         false,
         2,
         {},
         {u"変換を見守るプログラムが応答しません: /c\n"
          u"次のファイルの変換がどうなったか確かめられません。\na.mp4\nb.mp4"}},
    };
    check::eachRow(rows, [](const Row &row) {
        FakePlatform platform;
        platform.givenArguments = {u"a.mp4", u"b.mp4"};
        platform.outcomes = row.outcomes;
        if (!row.answered)
            platform.batchFailure = Error{Error::What::CompanionNotAnswering, 0, u"/c"};
        CHECK_EQ(convertCommandLineNames(platform), row.status);
        CHECK_EQ(platform.errors, row.errors);
        TextList shown;
        for (const FakePlatform::Message &message : platform.messages)
            shown.push_back(message.text);
        CHECK_EQ(shown, row.boxes);
        CHECK_EQ(platform.finishedBatches, 1);
    });
}
