// Runs the built program as a user or a script would, in a program directory of its own.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// An encoder that records its arguments (NUL-separated), its session and its standard input
// in a file of the program directory, written whole through a rename.
const char RecordingEncoder[] = R"(#!/bin/sh
record="$(dirname "$0")/../record.$$"
{
    printf '%s\0' "$@" > "$record.args"
    awk '{ print $6 }' /proc/$$/stat > "$record.session"
    readlink /proc/$$/fd/0 > "$record.stdin"
}
mv "$record.args" "$record.done"
)";

// A terminal emulator that records how it was called and runs what follows -e.
const char RecordingTerminal[] = R"(#!/bin/sh
printf '%s\0' "$@" > "$(dirname "$0")/terminal.args"
shift
exec "$@"
)";

void writeExecutable(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// A program directory holding a copy of the built program and, if given, an encoder.
struct ProgramDirectory
{
    QTemporaryDir directory;

    explicit ProgramDirectory(const QByteArray &encoder = RecordingEncoder)
    {
        QVERIFY(QFile::copy(ORVALEN_BINARY, program()));
        QVERIFY(QFile::setPermissions(program(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QDir(path()).mkdir("cores"));
        if (!encoder.isEmpty())
            writeExecutable(encoderPath(), encoder);
    }

    QString path() const { return directory.path(); }
    QString program() const { return path() + "/orvalen"; }
    QString encoderPath() const { return path() + "/cores/ffmpeg"; }

    // The recordings of the encoders that have finished, as argument lists.
    QList<QStringList> recordedArguments() const
    {
        QList<QStringList> recorded;
        for (const QString &name : QDir(path()).entryList({"record.*.done"}, QDir::Files)) {
            QFile file(path() + '/' + name);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QStringList arguments = QString::fromUtf8(file.readAll()).split(QChar(0));
            arguments.removeLast();
            recorded.append(arguments);
        }
        return recorded;
    }

    QString recordedFact(const QString &kind) const
    {
        const QStringList names = QDir(path()).entryList({"record.*." + kind}, QDir::Files);
        QFile file(path() + '/' + names.value(0));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }
};

// The environment of a machine without any display.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    return environment;
}

struct Run
{
    int exitCode;
    QString standardError;
};

Run run(const QString &program, const QStringList &arguments, const QString &workingDirectory,
        const QProcessEnvironment &environment = withoutDisplay())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForFinished(30'000))
        return {-1, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QStringList fixedPreset(const QString &input, const QString &output)
{
    return {"-y", "-i", input, "-vn", "-ac", "2", "-ar", "44100", "-ab", "128k", output};
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void namesReachTheEncoderWhole();
    void encoderIsDetached();
    void realConversion();
    void withoutUsableDisplay_data();
    void withoutUsableDisplay();
    void encoderThatCannotStart_data();
    void encoderThatCannotStart();
    void terminalEmulatorWithDisplay();
};

void TestEndToEnd::namesReachTheEncoderWhole()
{
    ProgramDirectory directory;
    const QString inputs = directory.path() + "/inputs";
    QVERIFY(QDir().mkpath(inputs));
    const QStringList names{"my clip.mp4",       R"(say "hi".flv)",    "$(touch pwned).mp4",
                            "`touch pwned`.wav", "日本語 の 動画.mp4", "a'b;c&d|e.mp4"};

    const Run result = run(directory.program(), names, inputs);
    QCOMPARE(result.exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments().size(), names.size());

    QList<QStringList> expected;
    for (const QString &name : names)
        expected.append(fixedPreset(name, name.chopped(4) + ".mp3"));
    QList<QStringList> recorded = directory.recordedArguments();
    std::sort(recorded.begin(), recorded.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(recorded, expected);
    QVERIFY(!QFile::exists(inputs + "/pwned"));
    QVERIFY(!QFile::exists(directory.path() + "/pwned"));
}

void TestEndToEnd::encoderIsDetached()
{
    ProgramDirectory directory;
    QCOMPARE(run(directory.program(), {"clip.mp4"}, directory.path()).exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments().size(), 1);

    QCOMPARE(directory.recordedFact("stdin"), "/dev/null");
    const QString session = directory.recordedFact("session");
    QVERIFY(!session.isEmpty());
    QVERIFY(session.toLongLong() != ::getsid(0));
}

void TestEndToEnd::realConversion()
{
    // The real encoder, and a mark once it is done, so that the test knows when to look.
    ProgramDirectory directory(QByteArray("#!/bin/sh\n\"" SYSTEM_ENCODER "\" \"$@\"\n") +
                               "echo $? > \"$(dirname \"$0\")/../encoder.status\"\n");
    const QString clip = directory.path() + "/テスト clip.mp4";
    QCOMPARE(
        run(SYSTEM_ENCODER,
            {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc=duration=2:size=64x48:rate=10",
             "-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-shortest", "-c:v", "mpeg4",
             "-c:a", "aac", "-ac", "1", clip},
            directory.path())
            .exitCode,
        0);

    QCOMPARE(run(directory.program(), {clip}, directory.path()).exitCode, 0);
    const QString status = directory.path() + "/encoder.status";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(status), 60'000);
    QFile statusFile(status);
    QVERIFY(statusFile.open(QIODevice::ReadOnly));
    QCOMPARE(statusFile.readAll().trimmed(), "0");

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                            "stream=codec_name,sample_rate,channels,bit_rate", "-of",
                            "default=noprint_wrappers=1", directory.path() + "/テスト clip.mp3"});
    QVERIFY(probe.waitForFinished(30'000));
    const QString facts = QString::fromUtf8(probe.readAllStandardOutput());
    QVERIFY2(facts.contains("codec_name=mp3\n"), qPrintable(facts));
    QVERIFY2(facts.contains("sample_rate=44100\n"), qPrintable(facts));
    QVERIFY2(facts.contains("channels=2\n"), qPrintable(facts));
    const QString bitRate = facts.section("bit_rate=", 1).section('\n', 0, 0);
    QVERIFY2(qAbs(bitRate.toInt() - 128'000) <= 8'000, qPrintable(facts));
}

void TestEndToEnd::withoutUsableDisplay_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("no display") << "";
    QTest::newRow("display that does not open") << ":9876";
}

void TestEndToEnd::withoutUsableDisplay()
{
    QFETCH(QString, display);

    ProgramDirectory directory;
    QProcessEnvironment environment = withoutDisplay();
    if (!display.isEmpty())
        environment.insert("DISPLAY", display);

    for (const QStringList &arguments : {QStringList{}, QStringList{"a", "  ", "b"}}) {
        const Run result = run(directory.program(), arguments, directory.path(), environment);
        QCOMPARE(result.exitCode, 3);
        QVERIFY2(result.standardError.contains("ディスプレイ"), qPrintable(result.standardError));
    }

    // The naming message goes to standard error only, and the later name is not converted.
    const Run result =
        run(directory.program(), {"first.mp4", "abc", "last.mp4"}, directory.path(), environment);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.standardError.contains("abc : このファイルは処理できません。終了します"),
             qPrintable(result.standardError));
    QTRY_COMPARE(directory.recordedArguments().size(), 1);
    QCOMPARE(directory.recordedArguments(),
             QList<QStringList>{fixedPreset("first.mp4", "first.mp3")});
}

void TestEndToEnd::encoderThatCannotStart_data()
{
    QTest::addColumn<QByteArray>("encoder");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << QByteArray() << false << "No such file or directory";
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << false << "Permission denied";
    QTest::newRow("no interpreter")
        << QByteArray("#!/nonexistent/sh\n") << true << "No such file or directory";
}

void TestEndToEnd::encoderThatCannotStart()
{
    QFETCH(QByteArray, encoder);
    QFETCH(bool, executable);
    QFETCH(QString, reason);

    ProgramDirectory directory(encoder);
    if (!encoder.isEmpty() && !executable)
        QVERIFY(QFile::setPermissions(directory.encoderPath(), QFile::ReadOwner));
    const Run result = run(directory.program(), {"a.mp4", "b.mp4"}, directory.path());
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.standardError.contains(directory.encoderPath()),
             qPrintable(result.standardError));
    QVERIFY2(result.standardError.contains(reason), qPrintable(result.standardError));
}

void TestEndToEnd::terminalEmulatorWithDisplay()
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty())
        QSKIP("Xvfb is not installed");
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
    QTRY_VERIFY(server.canReadLine());
    const QString display = ':' + QString::fromLatin1(server.readLine()).trimmed();
    auto stopServer = qScopeGuard([&server] {
        server.terminate();
        server.waitForFinished();
    });

    ProgramDirectory directory;
    const QString bin = directory.path() + "/bin";
    QVERIFY(QDir().mkpath(bin));
    writeExecutable(bin + "/x-terminal-emulator", RecordingTerminal);
    QProcessEnvironment environment = withoutDisplay();
    environment.insert("DISPLAY", display);
    environment.insert("PATH", bin + ':' + environment.value("PATH"));

    QCOMPARE(run(directory.program(), {"clip.mp4"}, directory.path(), environment).exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments(),
                 QList<QStringList>{fixedPreset("clip.mp4", "clip.mp3")});
    QFile terminal(bin + "/terminal.args");
    QVERIFY(terminal.open(QIODevice::ReadOnly));
    const QStringList terminalArguments = QString::fromUtf8(terminal.readAll()).split(QChar(0));
    QCOMPARE(terminalArguments.mid(0, 2), (QStringList{"-e", directory.encoderPath()}));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
