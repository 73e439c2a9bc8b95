#include "fakeplatform.h"
#include "jobs/commandlinebatch.h"

#include <QTest>

namespace {

QStringList numberedNames(int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names.append(QStringLiteral("/v/clip%1.mp4").arg(i));
    return names;
}

// What the batch is told of names that come after the 32 looked at.
QString leftOut(const QStringList &names)
{
    return "32個を超えるファイルは同時に処理できません。次のファイルは変換しませんでした。\n" +
           names.join('\n');
}

constexpr int ShowWindow = -1;

using Outcomes = QMap<QString, ConversionOutcome>;

} // namespace

class TestCommandLineBatch : public QObject
{
    Q_OBJECT

private slots:
    void batches_data();
    void batches();
    void shortNameEndsTheBatch();
    void launchFailureNamesWhatWasNotConverted();
    void companionAnswers_data();
    void companionAnswers();
};

void TestCommandLineBatch::batches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("converted");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("told"); // to the batch, in its window or on standard error

    QTest::newRow("none: window") << QStringList{} << QStringList{} << ShowWindow << QStringList{};
    QTest::newRow("one-character names: window")
        << QStringList{"a", "b"} << QStringList{} << ShowWindow << QStringList{};
    QTest::newRow("two names") << QStringList{"x.mp4", "y.mp4"} << QStringList{"x.mp4", "y.mp4"}
                               << 0 << QStringList{};
    QTest::newRow("a tab belongs to the name")
        << QStringList{"x.mp4\ty.mp4"} << QStringList{"x.mp4\ty.mp4"} << 0 << QStringList{};
    QTest::newRow("spaces and quotes stay in the name")
        << QStringList{"/My Videos/a b.mp4", R"(say "hi".mp4)", "    "}
        << QStringList{"/My Videos/a b.mp4", R"(say "hi".mp4)"} << 0 << QStringList{};
    QTest::newRow("40 names: 32 converted, 8 named")
        << numberedNames(1, 40) << numberedNames(1, 32) << 4
        << QStringList{leftOut(numberedNames(33, 40))};
    QTest::newRow("a skipped name counts among the 32")
        << QStringList{"a"} + numberedNames(1, 32) << numberedNames(1, 31) << 4
        << QStringList{leftOut(numberedNames(32, 32))};
    QTest::newRow("one stem twice: the later one is left out")
        << QStringList{"song.m4a", "song.wav", "b.mp4"} << QStringList{"song.m4a", "b.mp4"} << 4
        << QStringList{
               "次のファイルは、出力ファイルが先のファイルと同じになるため変換しませんでした。\n"
               "song.wav → song.mp3"};
}

void TestCommandLineBatch::batches()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, converted);
    QFETCH(int, status);
    QFETCH(QStringList, told);

    FakePlatform platform;
    platform.givenArguments = arguments;
    QCOMPARE(convertCommandLineNames(platform).value_or(ShowWindow), status);
    QCOMPARE(platform.launchedInputs(), converted);
    QCOMPARE(platform.toldToBatch, told);
    // Told after the batch has ended, it would miss the batch's window.
    QCOMPARE(platform.toldAfterBatchEnd, 0);
    QVERIFY(platform.errors.isEmpty());
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(!platform.endedWith);
}

void TestCommandLineBatch::shortNameEndsTheBatch()
{
    FakePlatform platform;
    platform.givenArguments = {"first.mp4", "ab", "last.mp4"};
    QCOMPARE(convertCommandLineNames(platform), 1);
    QCOMPARE(platform.launchedInputs(), QStringList{"first.mp4"});
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages[0].text, "ab : このファイルは処理できません。終了します");
}

void TestCommandLineBatch::launchFailureNamesWhatWasNotConverted()
{
    FakePlatform platform;
    platform.givenArguments = {"a.mp4", "b.mp4", "x", "c.mp4"};
    platform.launchesBeforeFailure = 1;
    QCOMPARE(convertCommandLineNames(platform), 2);
    QCOMPARE(platform.launchedInputs(), QStringList{"a.mp4"});
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages[0].text, "エンコーダーを起動できません: /opt/orvalen/cores/ffmpeg\n"
                                        "ファイルまたはフォルダーがありません\n"
                                        "次のファイルは変換しませんでした。\nb.mp4\nc.mp4");
}

// What the companion answers for the conversions it was handed decides the exit status;
// every conversion that did not start or succeed is named on standard error.
void TestCommandLineBatch::companionAnswers_data()
{
    QTest::addColumn<Outcomes>("outcomes");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("boxes");

    using Kind = ConversionOutcome::Kind;
    const Error busy{Error::What::OutputLockBusy};
    const QString busyLine =
        "orvalen: b.mp4 → b.mp3: 変換できません: この出力ファイルには、別の変換が書き込んでいます。";
    const Outcomes none;
    QTest::newRow("all started") << none << true << 0 << QStringList{} << QStringList{};
    QTest::newRow("a refusal") << Outcomes{{"b.mp4", {Kind::Refused, busy}}} << true << 4
                               << QStringList{busyLine} << QStringList{};
    QTest::newRow("a failure outweighs a refusal")
        << Outcomes{{"a.mp4", {Kind::Failed, Error{Error::What::EncoderExited, 1}}},
                    {"b.mp4", {Kind::Refused, busy}}}
        << true << 5
        << QStringList{"orvalen: a.mp4 → a.mp3: 変換に失敗しました（終了コード 1）", busyLine}
        << QStringList{};
    // Not started, as an encoder found missing before the companion was involved.
    const Error notRunnable{Error::What::EncoderNotStartable, ENOEXEC, "/p/cores/ffmpeg"};
    QTest::newRow("an encoder that could not run outweighs a failure")
        << Outcomes{{"a.mp4", {Kind::Failed, Error{Error::What::EncoderExited, 1}}},
                    {"b.mp4", {Kind::Refused, notRunnable}}}
        << true << 2
        << QStringList{"orvalen: a.mp4 → a.mp3: 変換に失敗しました（終了コード 1）",
                       "orvalen: b.mp4 → b.mp3: 変換できません: エンコーダーを起動できません: "
                       "/p/cores/ffmpeg: 実行できる形式のプログラムではありません"}
        << QStringList{};
    QTest::newRow("a stop") << Outcomes{{"a.mp4", {Kind::Stopped}}} << true << 5
                            << QStringList{"orvalen: a.mp4 → a.mp3: 変換を中止しました。"}
                            << QStringList{};
    QTest::newRow("no answer") << none << false << 2 << QStringList{}
                               << QStringList{"変換を見守るプログラムが応答しません: /c\n"
                                              "次のファイルの変換がどうなったか確かめられません。"
                                              "\na.mp4\nb.mp4"};
}

void TestCommandLineBatch::companionAnswers()
{
    QFETCH(Outcomes, outcomes);
    QFETCH(bool, answered);
    QFETCH(int, status);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, boxes);

    FakePlatform platform;
    platform.givenArguments = {"a.mp4", "b.mp4"};
    platform.outcomes = outcomes;
    if (!answered)
        platform.batchFailure = Error{Error::What::CompanionNotAnswering, 0, "/c"};
    QCOMPARE(convertCommandLineNames(platform), status);
    QCOMPARE(platform.errors, errors);
    QStringList shown;
    for (const FakePlatform::Message &message : std::as_const(platform.messages))
        shown.append(message.text);
    QCOMPARE(shown, boxes);
    QCOMPARE(platform.finishedBatches, 1);
}

QTEST_GUILESS_MAIN(TestCommandLineBatch)
#include "tst_commandlinebatch.moc"
