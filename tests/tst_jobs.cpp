#include "fakeplatform.h"
#include "jobs/batchoutputs.h"
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
    void encoderArguments_data();
    void encoderArguments();
    void encoderBesideTheProgram_data();
    void encoderBesideTheProgram();
    void commandLineJobLaunchesTheFixedPreset();
    void batchStartsEachOutputOnce();
};

void TestJobs::outputName_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");

    QTest::newRow("three-letter extension") << R"(D:\video\movie.mp4)"
                                            << R"(D:\video\movie.mp3)";
    QTest::newRow("four-letter extension") << "/v/song.flac"
                                           << "/v/song.mp3";
    QTest::newRow("two-letter extension") << "movie.ts"
                                          << "movie.mp3";
    QTest::newRow("one-letter extension") << "take.a"
                                          << "take.mp3";
    QTest::newRow("only the last extension") << "voice.2024.opus"
                                             << "voice.2024.mp3";
    QTest::newRow("already mp3 names itself") << "a/b.mp3"
                                              << "a/b.mp3";
    QTest::newRow("no extension gets one") << "/v/noextension"
                                           << "/v/noextension.mp3";
    QTest::newRow("exactly four characters") << "abcd"
                                             << "abcd.mp3";
    QTest::newRow("a dot in a folder is no extension") << "/a.b/clip"
                                                       << "/a.b/clip.mp3";
    QTest::newRow("a folder's dot and three characters") << "/tmp/m.dia/x"
                                                         << "/tmp/m.dia/x.mp3";
    QTest::newRow("a leading dot is no extension") << "/v/.hidden"
                                                   << "/v/.hidden.mp3";
    QTest::newRow("leading dots are no extension") << "..hidden"
                                                   << "..hidden.mp3";
    QTest::newRow("a dot-file's extension") << "/v/.hidden.wav"
                                            << "/v/.hidden.mp3";
    QTest::newRow("a name ending in a dot") << "song."
                                            << "song.mp3";
    QTest::newRow("a folder's own name") << "/tmp/media"
                                         << "/tmp/media.mp3";
    QTest::newRow("Japanese") << "/動画/音楽ファイル.flv"
                              << "/動画/音楽ファイル.mp3";
    QTest::newRow("surrogate pair in the stem stays") << "x🎵.ts"
                                                      << "x🎵.mp3";
    QTest::newRow("surrogate pair in the extension goes") << "x.🎵🎵"
                                                          << "x.mp3";
    QTest::newRow("escaped byte is one character")
        << QString("caf") + QChar(0xDCE9) + ".wav" << QString("caf") + QChar(0xDCE9) + ".mp3";
}

void TestJobs::outputName()
{
    QFETCH(QString, input);
    QFETCH(QString, output);

    FakePlatform platform;
    QCOMPARE(deriveOutputName(input), std::optional<QString>(output));
    QCOMPARE(makeoutputfn(platform, nullptr, input), std::optional<QString>(output));
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(!platform.endedWith);
}

void TestJobs::shortNameEndsTheProgram()
{
    for (const QString &input : {QString("abc"), QString("ab"), QString()}) {
        FakePlatform platform;
        QCOMPARE(deriveOutputName(input), std::nullopt);
        QCOMPARE(makeoutputfn(platform, nullptr, input), std::nullopt);
        QCOMPARE(platform.messages.size(), 1);
        QCOMPARE(platform.messages[0].text, input + " : このファイルは処理できません。終了します");
        QCOMPARE(platform.messages[0].style, MessageStyle::Ok);
        QCOMPARE(platform.endedWith, 1);
        QCOMPARE(platform.callsAfterEnd, 0);
    }
}

void TestJobs::encoderArguments_data()
{
    QTest::addColumn<qint16>("channels");
    QTest::addColumn<QString>("bitrate");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("stereo 128") << qint16(2) << "128"
                                << "/in/a b.mp4"
                                << "/out/a b.mp3"
                                << QStringList{"-y",  "-i",   "/in/a b.mp4", "-vn",
                                               "-ac", "2",    "-ar",         "44100",
                                               "-ab", "128k", "/out/a b.mp3"};
    QTest::newRow("nothing selected, empty boxes")
        << qint16(0) << ""
        << ""
        << "" << QStringList{"-y", "-i", "", "-vn", "-ac", "0", "-ar", "44100", "-ab", "k", ""};
    QTest::newRow("a name the encoder would take for an option")
        << qint16(1) << "64"
        << "-x.wav"
        << "-x.mp3" << QStringList{"-y",  "-i",    "./-x.wav", "-vn", "-ac",     "1",
                                   "-ar", "44100", "-ab",      "64k", "./-x.mp3"};
    QTest::newRow("a name the encoder would take for a protocol")
        << qint16(2) << "96"
        << "md5:take1.wav"
        << "md5:take1.mp3"
        << QStringList{"-y",  "-i",  "./md5:take1.wav", "-vn", "-ac", "2", "-ar", "44100",
                       "-ab", "96k", "./md5:take1.mp3"};
    QTest::newRow("a colon after a slash is a file name")
        << qint16(2) << "96"
        << "a/b:c.wav"
        << "/x/-y.mp3" << QStringList{"-y",  "-i",    "a/b:c.wav", "-vn", "-ac",      "2",
                                      "-ar", "44100", "-ab",       "96k", "/x/-y.mp3"};
}

void TestJobs::encoderArguments()
{
    QFETCH(qint16, channels);
    QFETCH(QString, bitrate);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QStringList, arguments);

    const EncoderCall call = encoderCall("/e", input, output, channels, bitrate);
    QCOMPARE(call.encoder, "/e");
    QCOMPARE(call.arguments(), arguments);
    QCOMPARE(call.input, arguments.at(2));
    QCOMPARE(call.output, arguments.last());
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
             JobResult::Status::Started);
    QCOMPARE(platform.launches.size(), 1);
    QCOMPARE(platform.launches[0].encoder, encoder);
}

void TestJobs::commandLineJobLaunchesTheFixedPreset()
{
    FakePlatform platform;
    BatchOutputs batch;
    QCOMPARE(Execute_choosefilename_fixbitrate(platform, "/v/clip.divx", batch).status,
             JobResult::Status::Started);
    QCOMPARE(platform.launches, QList{encoderCall("/opt/orvalen/cores/ffmpeg", "/v/clip.divx",
                                                  "/v/clip.mp3", 2, "128")});

    QCOMPARE(Execute_choosefilename_fixbitrate(platform, "abc", batch).status,
             JobResult::Status::ProgramEnded);
    QCOMPARE(platform.launches.size(), 1);
    QCOMPARE(platform.endedWith, 1);
}

void TestJobs::batchStartsEachOutputOnce()
{
    FakePlatform platform;
    BatchOutputs batch;
    for (const char *input :
         {"song.m4a", "song.wav", "other.wav", "song.flac", "movie.ts", "movie.mp4", "movi.mp4"})
        Execute_choosefilename_fixbitrate(platform, input, batch);
    QCOMPARE(platform.launchedInputs(),
             (QStringList{"song.m4a", "other.wav", "movie.ts", "movi.mp4"}));
    QVERIFY(batch.hasClashes());
    QCOMPARE(batch.clashReport().split('\n').mid(1),
             (QStringList{"song.wav → song.mp3", "song.flac → song.mp3", "movie.mp4 → movie.mp3"}));
}

QTEST_GUILESS_MAIN(TestJobs)
#include "tst_jobs.moc"
