#include "fakeplatform.h"
#include "startup/commandlinebatch.h"

#include <QTest>

namespace {

QStringList numberedNames(int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names.append(QStringLiteral("/v/clip%1.mp4").arg(i));
    return names;
}

} // namespace

class TestCommandLineBatch : public QObject
{
    Q_OBJECT

private slots:
    void acceptedNames_data();
    void acceptedNames();
    void shortNameEndsTheBatch();
    void failedLaunchEndsTheBatch();
};

void TestCommandLineBatch::acceptedNames_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("converted");

    QTest::newRow("empty: window") << "" << QStringList{};
    QTest::newRow("only spaces: window") << "     " << QStringList{};
    QTest::newRow("one character: window") << "a" << QStringList{};
    QTest::newRow("two one-character names: window") << "a b" << QStringList{};
    QTest::newRow("outer and inner runs of spaces")
        << "  x.mp4   y.mp4  " << QStringList{"x.mp4", "y.mp4"};
    QTest::newRow("tab joins two names") << "x.mp4\ty.mp4" << QStringList{"x.mp4\ty.mp4"};
    QTest::newRow("quoted name with spaces")
        << R"("/My Videos/a b.mp4" c.mp4)" << QStringList{"/My Videos/a b.mp4", "c.mp4"};
    QTest::newRow("quoted spaces alone are skipped") << R"("    " x.mp4)" << QStringList{"x.mp4"};
    QTest::newRow("40 names: the first 32") << numberedNames(40).join(' ') << numberedNames(32);
    QTest::newRow("skipped name counts among the 32")
        << "a " + numberedNames(32).join(' ') << numberedNames(31);
}

void TestCommandLineBatch::acceptedNames()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, converted);

    FakePlatform platform;
    platform.givenCommandLine = commandLine;
    QCOMPARE(convertCommandLineNames(platform), !converted.isEmpty());
    QCOMPARE(platform.launchedInputs(), converted);
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(!platform.endedWith);
}

void TestCommandLineBatch::shortNameEndsTheBatch()
{
    FakePlatform platform;
    platform.givenCommandLine = "first.mp4 ab last.mp4";
    QVERIFY(convertCommandLineNames(platform));
    QCOMPARE(platform.launchedInputs(), QStringList{"first.mp4"});
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages[0].text, "ab : このファイルは処理できません。終了します");
    QCOMPARE(platform.endedWith, 1);
    QCOMPARE(platform.callsAfterEnd, 0);
}

void TestCommandLineBatch::failedLaunchEndsTheBatch()
{
    FakePlatform platform;
    platform.givenCommandLine = "a.mp4 b.mp4 c.mp4";
    platform.launchesBeforeFailure = 1;
    QVERIFY(convertCommandLineNames(platform));
    QCOMPARE(platform.launchedInputs(), QStringList{"a.mp4"});
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages[0].style, MessageStyle::OkError);
    QVERIFY(platform.messages[0].text.contains("/opt/orvalen/cores/ffmpeg"));
    QCOMPARE(platform.endedWith, 2);
    QCOMPARE(platform.callsAfterEnd, 0);
}

QTEST_GUILESS_MAIN(TestCommandLineBatch)
#include "tst_commandlinebatch.moc"
