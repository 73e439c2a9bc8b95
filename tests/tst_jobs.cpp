#include "fakeplatform.h"
#include "jobs/conversionjobs.h"
#include "jobs/encodercommand.h"
#include "jobs/outputname.h"

#include <QTest>

class TestJobs : public QObject
{
    Q_OBJECT

private slots:
    void outputName_data();
    void outputName();
    void shortNameEndsTheProgram();
    void windowCommand_data();
    void windowCommand();
    void fixedPresetCommand_data();
    void fixedPresetCommand();
    void encoderBesideTheProgram_data();
    void encoderBesideTheProgram();
    void commandLineJobLaunchesTheFixedPreset();
    void failedLaunchIsReported();
};

void TestJobs::outputName_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("three-letter extension") << R"(D:\video\movie.mp4)"
                                            << R"(D:\video\movie.mp3)";
    QTest::newRow("four-letter extension keeps its dot") << "/v/clip.divx"
                                                         << "/v/clip..mp3";
    QTest::newRow("aiff") << "song.aiff"
                          << "song..mp3";
    QTest::newRow("already mp3 names itself") << "a/b.mp3"
                                              << "a/b.mp3";
    QTest::newRow("no extension loses 4 characters") << "/v/recording"
                                                     << "/v/recor.mp3";
    QTest::newRow("exactly four characters") << "abcd"
                                             << ".mp3";
    QTest::newRow("Japanese") << "/動画/音楽ファイル.flv"
                              << "/動画/音楽ファイル.mp3";
}

void TestJobs::outputName()
{
    QFETCH(QString, input);
    QFETCH(QString, output);

    FakePlatform platform;
    QCOMPARE(deriveOutputName(input), std::optional<QString>(output));
    QCOMPARE(makeoutputfn(platform, input), std::optional<QString>(output));
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(!platform.endedWith);
}

void TestJobs::shortNameEndsTheProgram()
{
    for (const QString &input : {QString("abc"), QString("ab"), QString()}) {
        FakePlatform platform;
        QCOMPARE(deriveOutputName(input), std::nullopt);
        QCOMPARE(makeoutputfn(platform, input), std::nullopt);
        QCOMPARE(platform.messages.size(), 1);
        QCOMPARE(platform.messages[0].text, input + " : このファイルは処理できません。終了します");
        QCOMPARE(platform.messages[0].style, MessageStyle::Ok);
        QCOMPARE(platform.endedWith, 1);
        QCOMPARE(platform.callsAfterEnd, 0);
    }
}

void TestJobs::windowCommand_data()
{
    QTest::addColumn<qint16>("channels");
    QTest::addColumn<QString>("bitrate");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("stereo 128")
        << qint16(2) << "128"
        << "/in/a.mp4"
        << "/out/a.mp3"
        << R"("/e" -y -i "/in/a.mp4" -vn -ac  2 -ar 44100 -ab 128k "/out/a.mp3")"
        << QStringList{"-y",  "-i",    "/in/a.mp4", "-vn",  "-ac",       "2",
                       "-ar", "44100", "-ab",       "128k", "/out/a.mp3"};
    QTest::newRow("mono 320") << qint16(1) << "320"
                              << "a b.flv"
                              << "a b.mp3"
                              << R"("/e" -y -i "a b.flv" -vn -ac  1 -ar 44100 -ab 320k "a b.mp3")"
                              << QStringList{"-y",  "-i",    "a b.flv", "-vn",  "-ac",    "1",
                                             "-ar", "44100", "-ab",     "320k", "a b.mp3"};
    QTest::newRow("nothing selected, empty boxes")
        << qint16(0) << ""
        << ""
        << ""
        << R"("/e" -y -i "" -vn -ac  0 -ar 44100 -ab k "")"
        << QStringList{"-y", "-i", "", "-vn", "-ac", "0", "-ar", "44100", "-ab", "k", ""};
    QTest::newRow("negative count has no space")
        << qint16(-1) << "64"
        << "i"
        << "o"
        << R"("/e" -y -i "i" -vn -ac -1 -ar 44100 -ab 64k "o")"
        << QStringList{"-y", "-i", "i", "-vn", "-ac", "-1", "-ar", "44100", "-ab", "64k", "o"};
    QTest::newRow("quotes stay unescaped")
        << qint16(2) << "96"
        << R"(say "hi".mp4)"
        << "x.mp3"
        << R"("/e" -y -i "say "hi".mp4" -vn -ac  2 -ar 44100 -ab 96k "x.mp3")"
        << QStringList{"-y",  "-i",   R"(say "hi".mp4)", "-vn", "-ac", "2", "-ar", "44100", "-ab",
                       "96k", "x.mp3"};
}

void TestJobs::windowCommand()
{
    QFETCH(qint16, channels);
    QFETCH(QString, bitrate);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);

    const ProcessCommand command = windowPresetCommand("/e", input, output, channels, bitrate);
    QCOMPARE(command.program, "/e");
    QCOMPARE(command.text, text);
    QCOMPARE(command.arguments, arguments);
}

void TestJobs::fixedPresetCommand_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("text");

    QTest::newRow("plain") << "/in/a.mp4"
                           << "/in/a.mp3"
                           << R"("/e" -y -i "/in/a.mp4" -vn -ac 2 -ar 44100 -ab 128k "/in/a.mp3")";
    QTest::newRow("shell characters")
        << "$(id) `id`.mp4"
        << "$(id) `id`.mp3"
        << R"("/e" -y -i "$(id) `id`.mp4" -vn -ac 2 -ar 44100 -ab 128k "$(id) `id`.mp3")";
}

void TestJobs::fixedPresetCommand()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, text);

    const ProcessCommand command = ::fixedPresetCommand("/e", input, output);
    QCOMPARE(command.text, text);
    QCOMPARE(command.arguments, (QStringList{"-y", "-i", input, "-vn", "-ac", "2", "-ar", "44100",
                                             "-ab", "128k", output}));
}

void TestJobs::encoderBesideTheProgram_data()
{
    QTest::addColumn<QString>("programDirectory");
    QTest::addColumn<QString>("encoder");

    QTest::newRow("ordinary directory") << "/opt/orvalen"
                                        << "/opt/orvalen/cores/ffmpeg";
    QTest::newRow("root doubles the separator") << "/"
                                                << "//cores/ffmpeg";
    QTest::newRow("spaces and Japanese") << "/home/u/マイ ツール"
                                         << "/home/u/マイ ツール/cores/ffmpeg";
}

void TestJobs::encoderBesideTheProgram()
{
    QFETCH(QString, programDirectory);
    QFETCH(QString, encoder);

    FakePlatform platform;
    platform.givenProgramDirectory = programDirectory;
    QCOMPARE(Execute_givenfilename(platform, "in.mp4", "out.mp3", 2, "128").status,
             JobResult::Started);
    QCOMPARE(platform.launches.size(), 1);
    QCOMPARE(platform.launches[0].program, encoder);
    QVERIFY(platform.launches[0].text.startsWith('"' + encoder + '"'));
}

void TestJobs::commandLineJobLaunchesTheFixedPreset()
{
    FakePlatform platform;
    QCOMPARE(Execute_choosefilename_fixbitrate(platform, "/v/clip.divx").status,
             JobResult::Started);
    QCOMPARE(platform.launches, QList{::fixedPresetCommand("/opt/orvalen/cores/ffmpeg",
                                                           "/v/clip.divx", "/v/clip..mp3")});

    QCOMPARE(Execute_choosefilename_fixbitrate(platform, "abc").status, JobResult::ProgramEnded);
    QCOMPARE(platform.launches.size(), 1);
    QCOMPARE(platform.endedWith, 1);
}

void TestJobs::failedLaunchIsReported()
{
    FakePlatform platform;
    platform.launchesBeforeFailure = 0;
    const JobResult result = Execute_givenfilename(platform, "a.mp4", "a.mp3", 2, "128");
    QCOMPARE(result.status, JobResult::LaunchFailed);
    QVERIFY(result.failure.contains("/opt/orvalen/cores/ffmpeg"));

    reportLaunchFailure(platform, result);
    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(platform.messages[0].text, result.failure);
    QCOMPARE(platform.messages[0].style, MessageStyle::OkError);
}

QTEST_GUILESS_MAIN(TestJobs)
#include "tst_jobs.moc"
