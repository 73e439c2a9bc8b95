// Runs the built program as a user or a script would, in a program directory of its own.

#include "platform/unixsocket.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The output's name that the encoder was given as "/proc/self/fd/<n>/<name>", the file in
// its temporary folder; any other name stays as it is.
QByteArray outputOfTemporary(const QByteArray &temporary)
{
    static const QRegularExpression form("^/proc/self/fd/[0-9]+/([^/]+)$");
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(temporary));
    return match.hasMatch() ? match.captured(1).toLatin1() : temporary;
}

// The temporary folders and files of a folder, where conversions write for now.
QStringList temporaryFiles(const QString &folder)
{
    static const QRegularExpression form("^\\..*\\.[A-Za-z0-9]{6}(\\.[^.]*)?$");
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .filter(form);
}

// A program directory holding copies of the built programs and, if given, an encoder: by
// default the one that records how it was run.
struct ProgramDirectory
{
    QTemporaryDir directory;

    explicit ProgramDirectory(const QByteArray &encoder = readFile(RECORDING_ENCODER))
    {
        for (const char *program : {ORVALEN_BINARY, COMPANION_BINARY, WINDOW_MODULE}) {
            const QString copy = path() + '/' + QFileInfo(program).fileName();
            QVERIFY(QFile::copy(program, copy));
            QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner));
        }
        QVERIFY(QDir(path()).mkpath("cores"));
        QVERIFY(QDir(path()).mkpath("work"));
        QVERIFY(QDir(path()).mkpath("runtime"));
        if (!encoder.isEmpty())
            writeFile(encoderPath(), encoder, true);
    }

    QString path() const { return directory.path(); }
    QString program() const { return path() + "/orvalen"; }
    QString encoderPath() const { return path() + "/cores/ffmpeg"; }
    QString work() const { return path() + "/work"; }
    QString runtime() const { return path() + "/runtime"; }

    // The argument lists of the encoders that have finished without failing.
    QList<QByteArrayList> recordedArguments() const
    {
        QList<QByteArrayList> recorded;
        for (const QString &name : QDir(path()).entryList({"record.*.done"}, QDir::Files)) {
            QByteArrayList arguments = readFile(path() + '/' + name).split('\0');
            arguments.removeLast();
            arguments.last() = outputOfTemporary(arguments.last());
            recorded.append(arguments);
        }
        std::sort(recorded.begin(), recorded.end());
        return recorded;
    }

    QString recordedFact(const QString &kind) const
    {
        const QStringList names = QDir(path()).entryList({"record.*." + kind}, QDir::Files);
        return QString::fromUtf8(readFile(path() + '/' + names.value(0))).trimmed();
    }
};

// The environment of a machine without any display, and a runtime directory of its own.
QProcessEnvironment withoutDisplay(const QString &runtime)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("XDG_RUNTIME_DIR", runtime);
    return environment;
}

struct Run
{
    int exitCode;
    QByteArray standardOutput;
};

// Runs the program with arguments given byte for byte, through a script that holds them;
// its standard error goes to a file, which the companion it starts shares.
Run run(const ProgramDirectory &directory, const QByteArrayList &arguments,
        const QProcessEnvironment &environment, const QString &errors)
{
    QByteArray script = "exec \"$1\"";
    for (QByteArray argument : arguments)
        script += " '" + argument.replace("'", "'\\''") + '\'';
    writeFile(directory.path() + "/run.sh", script);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(directory.work());
    process.setStandardErrorFile(errors);
    process.start("/bin/sh", {directory.path() + "/run.sh", directory.program()});
    if (!process.waitForFinished(30'000))
        return {-1, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardOutput()};
}

Run run(const ProgramDirectory &directory, const QByteArrayList &arguments)
{
    return run(directory, arguments, withoutDisplay(directory.runtime()),
               directory.path() + "/errors");
}

// The encoder's arguments for an input and output; of the output, it sees the name only.
QByteArrayList fixedPreset(const QByteArray &input, const QByteArray &output)
{
    return {"-y",
            "-i",
            input,
            "-vn",
            "-ac",
            "2",
            "-ar",
            "44100",
            "-ab",
            "128k",
            output.sliced(output.lastIndexOf('/') + 1)};
}

QString errors(const ProgramDirectory &directory)
{
    return QString::fromUtf8(readFile(directory.path() + "/errors"));
}

void makeClip(const QString &path, const QString &seconds)
{
    QProcess encoder;
    encoder.start(SYSTEM_ENCODER,
                  {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                   "sine=frequency=440:sample_rate=8000:duration=" + seconds, path});
    QVERIFY(encoder.waitForFinished(30'000));
    QCOMPARE(encoder.exitCode(), 0);
}

// The audio codec, sample rate and channels of the first stream, as ffprobe tells them.
QByteArray probe(const QString &path)
{
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries",
                            "stream=codec_name,sample_rate,channels", "-of", "csv=p=0", path});
    return probe.waitForFinished(30'000) ? probe.readAllStandardOutput() : QByteArray();
}

// Each entry of a folder with what it holds: a link's target, a file's bytes.
QMap<QString, QByteArray> contentsOf(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                             QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink())
            entries.insert(entry.fileName(), QFile::encodeName(entry.symLinkTarget()));
        else
            entries.insert(entry.fileName(), entry.isFile() ? readFile(entry.filePath()) : "");
    }
    return entries;
}

// An exFAT disk image mounted through FUSE, which gives each spelling of a name an inode
// number of its own. Only root mounts one; path() is empty where it could not be mounted.
class CaseBlindDisk
{
public:
    explicit CaseBlindDisk(bool wanted)
    {
        if (!wanted || ::geteuid() != 0)
            return;
        QProcess shell;
        shell.setWorkingDirectory(directory.path());
        shell.start("/bin/sh", {"-c", "truncate -s 8M image && mkfs.exfat image >/dev/null && "
                                      "mkdir mount && loop=$(losetup -f --show image) && "
                                      "{ mount.exfat-fuse \"$loop\" mount >/dev/null 2>&1 || "
                                      "{ losetup -d \"$loop\"; false; }; } && echo \"$loop\""});
        shell.waitForFinished(30'000);
        if (shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0)
            loop = QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
    }
    ~CaseBlindDisk()
    {
        if (loop.isEmpty())
            return;
        // An encoder may still write there: the disk goes once it is done.
        QProcess::execute("umount", {"--lazy", path()});
        QProcess::execute("losetup", {"-d", loop});
    }
    CaseBlindDisk(const CaseBlindDisk &) = delete;
    CaseBlindDisk &operator=(const CaseBlindDisk &) = delete;

    QString path() const { return loop.isEmpty() ? QString() : directory.path() + "/mount"; }

private:
    QTemporaryDir directory;
    QString loop;
};

// An X server that takes connections and never answers them: a private Xvfb, which picks a
// free display itself, stopped once it listens. The kernel still queues the connections.
class SilentXServer
{
public:
    SilentXServer()
    {
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        while (!server.canReadLine() && server.waitForReadyRead(10'000)) {
        }
        if (const QByteArray number = server.readLine().trimmed(); !number.isEmpty()) {
            display = ':' + QString::fromLatin1(number);
            ::kill(pid_t(server.processId()), SIGSTOP);
        }
    }
    ~SilentXServer()
    {
        if (server.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(server.processId()), SIGCONT);
        server.terminate();
        if (!server.waitForFinished(5'000))
            server.kill();
        server.waitForFinished();
    }
    SilentXServer(const SilentXServer &) = delete;
    SilentXServer &operator=(const SilentXServer &) = delete;

    // Empty when Xvfb did not start.
    QString display;

private:
    QProcess server;
};

// A display where no X server listens: its TCP port, picked by the kernel, is held bound
// here and never listened on.
struct AbsentXServer
{
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    QString display;

    AbsentXServer()
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(socket, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
            ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) == 0)
            display = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port) - 6000);
    }
    ~AbsentXServer() { ::close(socket); }
};

// A Wayland compositor that answers each client's first message, and does nothing more.
struct AnsweringCompositor
{
    int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::thread answering;

    explicit AnsweringCompositor(const QString &path)
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), name.size());
        ::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(socket, 8);
        answering = std::thread([this] {
            for (int client; (client = ::accept(socket, nullptr, nullptr)) >= 0; ::close(client)) {
                char message[12];
                if (::recv(client, message, sizeof message, 0) > 0)
                    ::send(client, message, sizeof message, MSG_NOSIGNAL);
            }
        });
    }
    // Ends the waiting accept().
    ~AnsweringCompositor()
    {
        ::shutdown(socket, SHUT_RDWR);
        answering.join();
        ::close(socket);
    }
};

bool waylandPluginInstalled()
{
    return !QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms")
                .entryList({"libqwayland*.so"})
                .isEmpty();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void namesByteForByte_data();
    void namesByteForByte();
    void options_data();
    void options();
    void encoderStartsClean();
    void reachedThroughALink();
    void failureIsOneLineOnStandardError();
    void oneWriterPerOutput_data();
    void oneWriterPerOutput();
    void refusedOutputs_data();
    void refusedOutputs();
    void encoderWritesOnlyItsOwnFile();
    void failedPublishing_data();
    void failedPublishing();
    void earlierModes_data();
    void earlierModes();
    void runtimeFolders_data();
    void runtimeFolders();
    void encoderEndsWithItsCompanion();
    void sameStemWithTheRealEncoder();
    void waitedConversions_data();
    void waitedConversions();
    void companionThatDoesNotAnswer_data();
    void companionThatDoesNotAnswer();
    void companionKilledMidBatch();
    void withoutUsableDisplay_data();
    void withoutUsableDisplay();
    void encoderThatCannotStart_data();
    void encoderThatCannotStart();
    void terminalIsToldInTheTerminal();
};

void TestEndToEnd::namesByteForByte_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("spaces and quotes")
        << QByteArray(R"(my "best" clip.mp4)") << QByteArray(R"(my "best" clip.mp4)")
        << QByteArray(R"(my "best" clip.mp3)");
    QTest::newRow("shell characters")
        << QByteArray("$(touch x)`id`;&|.wav") << QByteArray("$(touch x)`id`;&|.wav")
        << QByteArray("$(touch x)`id`;&|.mp3");
    QTest::newRow("Japanese") << QByteArray("日本語 の 動画.mp4")
                              << QByteArray("日本語 の 動画.mp4")
                              << QByteArray("日本語 の 動画.mp3");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.wav") << QByteArray("caf\xe9.wav")
                             << QByteArray("caf\xe9.mp3");
    QTest::newRow("Shift-JIS") << QByteArray("\x89\xb9\x8a\x79.wav")
                               << QByteArray("\x89\xb9\x8a\x79.wav")
                               << QByteArray("\x89\xb9\x8a\x79.mp3");
    QTest::newRow("byte-order mark")
        << QByteArray("\xef\xbb\xbfsong.wav") << QByteArray("\xef\xbb\xbfsong.wav")
        << QByteArray("\xef\xbb\xbfsong.mp3");
    QTest::newRow("a surrogate pair before a two-letter extension")
        << QByteArray("x\xf0\x9f\x8e\xb5.ts") << QByteArray("x\xf0\x9f\x8e\xb5.ts")
        << QByteArray("x\xf0\x9f\x8e\xb5.mp3");
    QTest::newRow("a four-letter extension")
        << QByteArray("song.flac") << QByteArray("song.flac") << QByteArray("song.mp3");
    QTest::newRow("option-like") << QByteArray("-x.wav") << QByteArray("./-x.wav")
                                 << QByteArray("./-x.mp3");
    QTest::newRow("protocol-like") << QByteArray("md5:take1.wav") << QByteArray("./md5:take1.wav")
                                   << QByteArray("./md5:take1.mp3");
    QTest::newRow("a file named like an option")
        << QByteArray("./--help") << QByteArray("./--help") << QByteArray("./--help.mp3");
}

void TestEndToEnd::namesByteForByte()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);

    ProgramDirectory directory;
    QCOMPARE(run(directory, {name}).exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments(), QList<QByteArrayList>{fixedPreset(input, output)});
    // The output is in place under exactly that name.
    const QByteArray written = QFile::encodeName(directory.work()) + '/' + output;
    QTRY_VERIFY(::access(written.constData(), F_OK) == 0);
    QVERIFY(!QFile::exists(directory.work() + "/x"));
    // The temporary folder cannot remove a name that is not UTF-8 by itself.
    QCOMPARE(::unlink(written.constData()), 0);
}

void TestEndToEnd::options_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed");

    QTest::newRow("--help") << QByteArrayList{"--help"} << 0 << "使い方: orvalen";
    QTest::newRow("-h") << QByteArrayList{"-h"} << 0 << "終了ステータス";
    QTest::newRow("--version") << QByteArrayList{"--version"} << 0 << "orvalen 2.00\n";
    // Without a display, files to ask about are not converted either.
    QTest::newRow("--ask") << QByteArrayList{"--ask", "a.mp4"} << 3 << "ディスプレイがありません";
    QTest::newRow("--ask --wait") << QByteArrayList{"--ask", "--wait", "a.mp4"} << 6
                                  << "--ask と --wait は一緒に使えません";
    QTest::newRow("--wait --ask") << QByteArrayList{"--wait", "--ask", "a.mp4"} << 6
                                  << "--ask と --wait は一緒に使えません";
    // An option that is not one is refused before any name is converted, with the usage.
    const QString usage = "\n使い方: orvalen";
    QTest::newRow("an unknown option before names")
        << QByteArrayList{"--bitrate", "192", "a.mp4"} << 2
        << "orvalen: 知らないオプションです: --bitrate" + usage;
    QTest::newRow("an unknown option after names")
        << QByteArrayList{"--wait", "a.mp4", "b.mp4", "--fast"} << 2
        << "orvalen: 知らないオプションです: --fast" + usage;
    QTest::newRow("a known option out of place")
        << QByteArrayList{"a.mp4", "--wait"} << 2
        << "orvalen: ここでは使えないオプションです: --wait" + usage;
    QTest::newRow("--help among names")
        << QByteArrayList{"--help", "a.mp4"} << 2
        << "orvalen: ここでは使えないオプションです: --help" + usage;
    QTest::newRow("--wait without names")
        << QByteArrayList{"--wait"} << 3
        << "orvalen: --wait のあとに変換するファイルの名前がありません。";
}

void TestEndToEnd::options()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);

    ProgramDirectory directory;
    const Run result = run(directory, arguments);
    QCOMPARE(result.exitCode, exitCode);
    const QString output = QString::fromUtf8(result.standardOutput) + errors(directory);
    QVERIFY2(output.contains(printed), qPrintable(output));
    QTest::qWait(500);
    QVERIFY(directory.recordedArguments().isEmpty());
}

void TestEndToEnd::encoderStartsClean()
{
    // Started with a descriptor of ours open and signals ignored: none of it may reach the
    // encoder, which runs in a session of its own with standard input from /dev/null, and
    // yields to the desktop.
    ProgramDirectory directory;
    QProcess shell;
    shell.setProcessEnvironment(withoutDisplay(directory.runtime()));
    shell.setWorkingDirectory(directory.work());
    shell.start("/bin/sh", {"-c", "trap '' HUP INT QUIT; exec 7>kept; exec \"$0\" clip.mp4",
                            directory.program()});
    QVERIFY(shell.waitForFinished(30'000));
    QCOMPARE(shell.exitCode(), 0);
    QTRY_COMPARE(directory.recordedArguments().size(), 1);

    // Besides its standard streams, only the folder that its output goes to.
    QVERIFY2(QRegularExpression("^0 null\n1 pipe\n2 pipe\n[0-9]+ folder$")
                 .match(directory.recordedFact("fds"))
                 .hasMatch(),
             qPrintable(directory.recordedFact("fds")));
    QCOMPARE(directory.recordedFact("signals"),
             "SigBlk: 0000000000000000\nSigIgn: 0000000000000000");
    // Its process id, process group and session: it leads a session of its own.
    const QStringList session = directory.recordedFact("session").split(' ');
    QCOMPARE(session.size(), 3);
    QCOMPARE(session.value(1), session.value(0));
    QCOMPARE(session.value(2), session.value(0));
    QCOMPARE(directory.recordedFact("niceness").toInt(),
             std::min(::getpriority(PRIO_PROCESS, 0) + 10, 19));
}

void TestEndToEnd::reachedThroughALink()
{
    ProgramDirectory directory;
    QTemporaryDir elsewhere;
    QVERIFY(QFile::link(directory.program(), elsewhere.path() + "/orvalen"));
    QProcess process;
    process.setProcessEnvironment(withoutDisplay(directory.runtime()));
    process.setWorkingDirectory(directory.work());
    process.start(elsewhere.path() + "/orvalen", {"clip.mp4"});
    QVERIFY(process.waitForFinished(30'000));
    QCOMPARE(process.exitCode(), 0);
    QTRY_COMPARE(directory.recordedArguments(),
                 QList<QByteArrayList>{fixedPreset("clip.mp4", "clip.mp3")});
}

void TestEndToEnd::failureIsOneLineOnStandardError()
{
    ProgramDirectory directory;
    QCOMPARE(run(directory, {"fail.wav", "good.wav"}).exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments(),
                 QList<QByteArrayList>{fixedPreset("good.wav", "good.mp3")});
    QTRY_VERIFY(errors(directory).contains('\n'));
    QCOMPARE(errors(directory), "orvalen: fail.wav → fail.mp3: 変換に失敗しました（終了コード 1）: "
                                "fail.wav: Invalid data found when processing input\n");
}

// Two runs of the program, and two spellings of one output, while the first still writes:
// with one runtime folder, or with two (a desktop run and an ssh run).
void TestEndToEnd::oneWriterPerOutput_data()
{
    QTest::addColumn<bool>("otherRuntimeFolder");

    QTest::newRow("one runtime folder") << false;
    QTest::newRow("another runtime folder: XDG_RUNTIME_DIR unset") << true;
}

void TestEndToEnd::oneWriterPerOutput()
{
    QFETCH(bool, otherRuntimeFolder);

    ProgramDirectory directory;
    QProcessEnvironment second = withoutDisplay(directory.runtime());
    if (otherRuntimeFolder) {
        second.remove("XDG_RUNTIME_DIR");
        second.remove("XDG_CACHE_HOME");
        second.insert("HOME", directory.path());
    }
    QVERIFY(QFile::link(directory.work(), directory.path() + "/link"));
    QCOMPARE(run(directory, {"slow.wav"}).exitCode, 0);
    QTRY_COMPARE(temporaryFiles(directory.work()).size(), 1);
    const QStringList firstTemporary = temporaryFiles(directory.work());
    const QByteArray again = QFile::encodeName(directory.path()) + "/link/slow.wav";
    // Told before the program returns, and in its exit status.
    QCOMPARE(run(directory, {again}, second, directory.path() + "/errors").exitCode, 4);
    QVERIFY(errors(directory).contains("別の変換が書き込んでいます"));
    QVERIFY(errors(directory).startsWith("orvalen: " + again + " → "));
    QCOMPARE(temporaryFiles(directory.work()), firstTemporary);
    QTRY_COMPARE(directory.recordedArguments(),
                 QList<QByteArrayList>{fixedPreset("slow.wav", "slow.mp3")});
    QTRY_COMPARE(readFile(directory.work() + "/slow.mp3"), "mp3");

    // Once it has ended, the output is free again, and no lock is left behind.
    QCOMPARE(run(directory, {again}, second, directory.path() + "/errors").exitCode, 0);
    QTRY_COMPARE(directory.recordedArguments().size(), 2);
    QTRY_COMPARE(QDir(directory.runtime() + "/orvalen").entryList(QDir::Files), QStringList{});
    QTRY_COMPARE(QDir(directory.work()).entryList({".orvalen-*"}, QDir::Files | QDir::Hidden),
                 QStringList{});
}

// An output whose name is anything but a plain file, or that would replace the input, is
// refused before an encoder starts, and nothing is written through it; so is one whose lock
// beside it is taken by a FIFO, which nothing waits on. Two outputs that a case-blind disk
// takes for one are never written at once.
void TestEndToEnd::refusedOutputs_data()
{
    QTest::addColumn<QString>("before"); // what is there beforehand
    QTest::addColumn<QByteArrayList>("names");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("encoders");

    const QString sameFile = "出力ファイルが入力ファイルと同じファイルです";
    QTest::newRow("a hard link to the input")
        << "hard link" << QByteArrayList{"Song.MP3"} << sameFile << 0;
    QTest::newRow("the input itself") << "input" << QByteArrayList{"song.mp3"} << sameFile << 0;
    QTest::newRow("a symbolic link")
        << "symbolic link" << QByteArrayList{"song.wav"} << "シンボリックリンクです" << 0;
    QTest::newRow("a dangling symbolic link")
        << "dangling link" << QByteArrayList{"song.wav"} << "シンボリックリンクです" << 0;
    QTest::newRow("a FIFO") << "FIFO" << QByteArrayList{"song.wav"} << "名前付きパイプ（FIFO）です"
                            << 0;
    QTest::newRow("a socket") << "socket" << QByteArrayList{"song.wav"} << "ソケットです" << 0;
    QTest::newRow("a device") << "device" << QByteArrayList{"song.wav"} << "デバイスです" << 0;
    QTest::newRow("a folder") << "folder" << QByteArrayList{"song.wav"} << "フォルダーです" << 0;
    QTest::newRow("an input that is a folder")
        << "input folder" << QByteArrayList{"media"} << "入力ファイルの名前はフォルダーです" << 0;
    QTest::newRow("a FIFO in the name of the output's lock")
        << "FIFO lock" << QByteArrayList{"song.wav"} << "フォルダーに書き込めません" << 0;
    QTest::newRow("exFAT: the input in another case")
        << "exFAT input" << QByteArrayList{"Song.MP3"} << sameFile << 0;
    QTest::newRow("exFAT: two spellings at once")
        << "exFAT" << QByteArrayList{"slow.wav", "Slow.ogg"} << "別の変換が書き込んでいます" << 1;
}

void TestEndToEnd::refusedOutputs()
{
    QFETCH(QString, before);
    QFETCH(QByteArrayList, names);
    QFETCH(QString, reason);
    QFETCH(int, encoders);

    ProgramDirectory directory;
    const CaseBlindDisk disk(before.startsWith("exFAT"));
    QString folder = directory.work();
    if (before.startsWith("exFAT")) {
        if (disk.path().isEmpty())
            QSKIP("An exFAT disk is mounted by root only, with exfatprogs and exfat-fuse");
        folder = disk.path();
        for (QByteArray &name : names)
            name = QFile::encodeName(folder) + '/' + name;
    }
    const QByteArray output = QFile::encodeName(folder + "/song.mp3");
    writeFile(folder + "/notes.txt", "the only copy");
    if (before == "hard link" || before == "exFAT input") {
        writeFile(folder + "/Song.MP3", "the only copy");
        if (before == "hard link")
            QCOMPARE(::link(QFile::encodeName(folder + "/Song.MP3"),
                            QFile::encodeName(folder + "/Song.mp3")),
                     0);
    }
    if (before == "input")
        writeFile(folder + "/song.mp3", "the only copy");
    if (before == "symbolic link")
        QVERIFY(QFile::link("notes.txt", folder + "/song.mp3"));
    if (before == "dangling link")
        QVERIFY(QFile::link("nowhere.txt", folder + "/song.mp3"));
    if (before == "FIFO")
        QCOMPARE(::mkfifo(output, 0600), 0);
    if (before == "FIFO lock") {
        const QByteArray lock =
            QCryptographicHash::hash("song.mp3", QCryptographicHash::Sha256).toHex().first(16);
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/.orvalen-" + lock + ".lock"), 0600), 0);
    }
    if (before == "socket")
        QVERIFY(listenOnUnixSocket(output.toStdString(), Error::What::CompanionNotStartable));
    if (before == "device" && ::mknod(output, S_IFCHR | 0600, makedev(1, 3)) < 0)
        QSKIP("Only root makes a device");
    if (before == "folder")
        QVERIFY(QDir().mkdir(QFile::decodeName(output)));
    if (before == "input folder")
        QVERIFY(QDir().mkdir(folder + "/media"));
    const QMap<QString, QByteArray> entries = contentsOf(folder);

    QCOMPARE(run(directory, names).exitCode, 4);
    QVERIFY2(errors(directory).contains("変換できません: ") && errors(directory).contains(reason),
             qPrintable(errors(directory)));
    QCOMPARE(errors(directory).count('\n'), 1);
    QTRY_COMPARE(directory.recordedArguments().size(), encoders);
    if (encoders == 0)
        QCOMPARE(contentsOf(folder), entries);
}

// Whoever else writes in the output's folder may swap the encoder's temporary folder for one
// holding a link while the encoder runs (here the encoder does it itself): the encoder
// still writes only its own file, which becomes the output.
void TestEndToEnd::encoderWritesOnlyItsOwnFile()
{
    ProgramDirectory directory(R"sh(#!/bin/sh
for output; do :; done
folder=$(realpath "${output%/*}")
mv "$folder" "$folder.moved" && mkdir "$folder" && ln -s ../notes.txt "$output"
printf mp3 > "$output"
)sh");
    writeFile(directory.work() + "/notes.txt", "the only copy");
    QCOMPARE(run(directory, {"song.wav"}).exitCode, 0);
    QTRY_COMPARE(readFile(directory.work() + "/song.mp3"), "mp3");
    QCOMPARE(readFile(directory.work() + "/notes.txt"), "the only copy");
}

// The finished file replaces the output only when there is something in it, and only in the
// folder named at the start: when whoever else may write beside that folder swaps it for a
// link to another folder meanwhile (here the encoder does it itself), the other folder gets
// nothing and the earlier output stays in the folder held.
void TestEndToEnd::failedPublishing_data()
{
    QTest::addColumn<QByteArray>("encoder");
    QTest::addColumn<QString>("reason");

    QTest::newRow("writes nothing")
        << QByteArray("#!/bin/sh\nexit 0\n") << "エンコーダーが何も書きませんでした";
    QTest::newRow("swaps the output's folder for a link to another") << QByteArray(R"sh(#!/bin/sh
for output; do :; done
shared="$(dirname "$0")/../work/shared"
mv "$shared" "$shared.moved" && ln -s music "$shared"
printf mp3 > "$output"
)sh") << "出力先のフォルダーが変換中に入れ替えられました: ";
}

void TestEndToEnd::failedPublishing()
{
    QFETCH(QByteArray, encoder);
    QFETCH(QString, reason);

    ProgramDirectory directory(encoder);
    const QString shared = directory.work() + "/shared";
    const QString music = directory.work() + "/music";
    QVERIFY(QDir().mkdir(shared) && QDir().mkdir(music));
    writeFile(shared + "/a.mp3", "earlier");
    writeFile(music + "/a.mp3", "the only copy");

    QCOMPARE(run(directory, {"--wait", "shared/a.wav"}).exitCode, 5);
    QVERIFY2(errors(directory).contains(reason), qPrintable(errors(directory)));
    QCOMPARE(contentsOf(music), (QMap<QString, QByteArray>{{"a.mp3", "the only copy"}}));
    const QString held = QFileInfo(shared + ".moved").isDir() ? shared + ".moved" : shared;
    QCOMPARE(contentsOf(held), (QMap<QString, QByteArray>{{"a.mp3", "earlier"}}));
}

// A new output takes the permission bits of the earlier one when that is the user's own file,
// and nothing else of its mode; otherwise the user's default mode.
void TestEndToEnd::earlierModes_data()
{
    QTest::addColumn<int>("earlier");
    QTest::addColumn<bool>("another"); // the earlier output belongs to another user
    QTest::addColumn<int>("mode");     // -1: the user's default

    QTest::newRow("the user's, 0640") << 0640 << false << 0640;
    QTest::newRow("the user's, 6777: no set-ID bits") << 06777 << false << 0777;
    QTest::newRow("another user's, 6777: the default") << 06777 << true << -1;
}

void TestEndToEnd::earlierModes()
{
    QFETCH(int, earlier);
    QFETCH(bool, another);
    QFETCH(int, mode);

    if (another && ::geteuid() != 0)
        QSKIP("Only root gives a file to another user");
    ProgramDirectory directory;
    const QByteArray output = QFile::encodeName(directory.work() + "/song.mp3");
    writeFile(QFile::decodeName(output), "earlier");
    if (another)
        QCOMPARE(::chown(output, 65534, 65534), 0);
    QCOMPARE(::chmod(output, mode_t(earlier)), 0);

    QCOMPARE(run(directory, {"--wait", "song.wav"}).exitCode, 0);
    QCOMPARE(readFile(QFile::decodeName(output)), "mp3");
    struct stat status = {};
    QCOMPARE(::stat(output, &status), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(status.st_mode & 07777, mode < 0 ? 0666 & ~mask : mode_t(mode));
}

// The locks and sockets live in a folder that is the user's alone: where $XDG_RUNTIME_DIR is
// unset or unusable, one in the user's cache. When that is taken too, nothing is converted,
// and the reason is told.
void TestEndToEnd::runtimeFolders_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<bool>("cacheTaken");
    QTest::addColumn<int>("status");

    QTest::newRow("unset: the user's cache") << "unset" << false << 0;
    QTest::newRow("open to others: the user's cache") << "open to others" << false << 0;
    QTest::newRow("another user's: the user's cache") << "another user's" << false << 0;
    QTest::newRow("read-only: the user's cache") << "read-only" << false << 0;
    QTest::newRow("unset, and the cache's folder taken") << "unset" << true << 4;
}

void TestEndToEnd::runtimeFolders()
{
    QFETCH(QString, runtime);
    QFETCH(bool, cacheTaken);
    QFETCH(int, status);

    ProgramDirectory directory;
    QProcessEnvironment environment = withoutDisplay(directory.runtime());
    environment.remove("XDG_CACHE_HOME");
    environment.insert("HOME", directory.path());
    if (runtime == "unset")
        environment.remove("XDG_RUNTIME_DIR");
    if (runtime == "open to others") {
        QVERIFY(QDir().mkdir(directory.runtime() + "/orvalen"));
        QVERIFY(
            QFile::setPermissions(directory.runtime() + "/orvalen", QFile::Permissions(0x7777)));
    }
    if (runtime == "another user's") {
        if (::geteuid() != 0)
            QSKIP("Only root gives a folder to another user");
        QVERIFY(QDir().mkdir(directory.runtime() + "/orvalen", QFile::Permissions(0x7700)));
        QCOMPARE(::chown(QFile::encodeName(directory.runtime() + "/orvalen"), 65534, 65534), 0);
    }
    if (runtime == "read-only" &&
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "ro", "none", directory.runtime()}) != 0)
        QSKIP("Only root mounts a read-only folder");
    const auto unmount = qScopeGuard([&] {
        if (runtime == "read-only")
            QProcess::execute("umount", {directory.runtime()});
    });
    const QString cache =
        directory.path() + "/.cache/orvalen/runtime-" + QSysInfo::machineHostName();
    if (cacheTaken) {
        QVERIFY(QDir().mkpath(cache));
        QVERIFY(QFile::setPermissions(cache, QFile::Permissions(0x7777)));
    }

    QCOMPARE(run(directory, {"clip.wav"}, environment, directory.path() + "/errors").exitCode,
             status);
    if (status != 0) {
        QVERIFY2(errors(directory).contains(cache + ": 自分だけのフォルダーではありません"),
                 qPrintable(errors(directory)));
        return;
    }
    QTRY_COMPARE(directory.recordedArguments().size(), 1);
    QCOMPARE(QFileInfo(cache).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ExeOwner | QFile::ReadUser |
                                                 QFile::WriteUser | QFile::ExeUser);
}

// An encoder that ignores SIGTERM ends all the same once its companion is killed: nothing
// runs on unwatched.
void TestEndToEnd::encoderEndsWithItsCompanion()
{
    ProgramDirectory directory(
        "#!/bin/sh\ntrap '' TERM\necho $$ > \"$(dirname \"$0\")/../encoder\"\n"
        "exec sleep 60\n");
    QCOMPARE(run(directory, {"clip.wav"}).exitCode, 0);
    QTRY_VERIFY(readFile(directory.path() + "/encoder").endsWith('\n'));
    const QByteArray encoder = "/proc/" + readFile(directory.path() + "/encoder").trimmed();
    const auto state = [&encoder] { return readFile(encoder + "/stat").split(')').value(1); };
    const pid_t companion = pid_t(state().split(' ').value(2).toInt());
    QVERIFY(companion > 1);
    QCOMPARE(::kill(companion, SIGKILL), 0);
    // Gone, or a zombie where nobody reaps the orphans.
    QTRY_VERIFY(state().isEmpty() || state().startsWith(" Z"));
}

void TestEndToEnd::sameStemWithTheRealEncoder()
{
    ProgramDirectory directory(QByteArray("#!/bin/sh\n\"" SYSTEM_ENCODER "\" \"$@\"\n") +
                               "echo $? >> \"$(dirname \"$0\")/../statuses\"\n");
    for (const char *clip : {"song.m4a", "song.wav", "other.ogg"})
        makeClip(directory.work() + '/' + clip, "3");

    QCOMPARE(run(directory, {"song.m4a", "song.wav", "other.ogg"}).exitCode, 4);
    QVERIFY(errors(directory).endsWith("song.wav → song.mp3\n"));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(directory.path() + "/statuses"), "0\n0\n", 60'000);

    QProcess check;
    check.start(SYSTEM_ENCODER,
                {"-v", "error", "-i", directory.work() + "/song.mp3", "-f", "null", "-"});
    QVERIFY(check.waitForFinished(30'000));
    QCOMPARE(check.readAllStandardError(), "");
    QCOMPARE(probe(directory.work() + "/song.mp3"), "mp3,44100,2\n");
}

// With --wait, the program returns once its conversion has ended, and an MP3 appears only
// whole: a failure or a stop leaves an earlier one as it was, and no temporary folder stays,
// not even one that an earlier, killed conversion left; the user's files that only look
// alike stay.
void TestEndToEnd::waitedConversions_data()
{
    QTest::addColumn<QString>("clip");  // seconds of sound, or "garbage"
    QTest::addColumn<QString>("runIn"); // below the work folder
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("earlier"); // the MP3 there before; none when empty
    QTest::addColumn<bool>("interrupted");   // Ctrl+C once the encoder writes
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    QTest::newRow("succeeds") << "2"
                              << "" << QByteArray("clip.wav") << QByteArray() << false << 0 << "";
    QTest::newRow("replaces an earlier MP3")
        << "2"
        << "" << QByteArray("clip.wav") << QByteArray("earlier") << false << 0 << "";
    QTest::newRow("a relative name from another folder")
        << "2"
        << "sub" << QByteArray("../clip.wav") << QByteArray() << false << 0 << "";
    QTest::newRow("fails: the earlier MP3 stays")
        << "garbage"
        << "" << QByteArray("clip.wav") << QByteArray("earlier") << false << 5
        << "orvalen: clip.wav → clip.mp3: 変換に失敗しました（終了コード 1）: ";
    QTest::newRow("fills the disk: the earlier MP3 stays, the true reason is told")
        << "60"
        << "" << QByteArray("full/clip.wav") << QByteArray("earlier") << false << 5
        << "orvalen: full/clip.wav → full/clip.mp3: 変換に失敗しました（終了コード 1）: "
           "Error closing file full/clip.mp3: No space left on device\n";
    QTest::newRow("stopped by Ctrl+C: the earlier MP3 stays")
        << "1200"
        << "" << QByteArray("clip.wav") << QByteArray("earlier") << true << 5
        << "orvalen: clip.wav → clip.mp3: 変換を中止しました。\n";
}

void TestEndToEnd::waitedConversions()
{
    QFETCH(QString, clip);
    QFETCH(QString, runIn);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, earlier);
    QFETCH(bool, interrupted);
    QFETCH(int, status);
    QFETCH(QString, error);

    ProgramDirectory directory{QByteArray()};
    QVERIFY(QFile::link(SYSTEM_ENCODER, directory.encoderPath()));
    const QString input = directory.work() + "/clip.wav";
    const QString folder = directory.work() + '/' + runIn;
    QVERIFY(QDir().mkpath(folder));
    const QString output = QDir::cleanPath(folder + '/' + name.chopped(4) + ".mp3");
    if (clip == "garbage")
        writeFile(input, "not a sound");
    else
        makeClip(input, clip);
    // A disk of 64 kB, which the MP3 fills, with a link to the input.
    const QString full = directory.work() + "/full";
    if (name.startsWith("full/") &&
        (!QDir().mkdir(full) ||
         QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "none", full}) != 0))
        QSKIP("Only root mounts a small disk");
    const auto unmount = qScopeGuard([&] {
        if (name.startsWith("full/"))
            QProcess::execute("umount", {full});
    });
    if (name.startsWith("full/"))
        QVERIFY(QFile::link("../clip.wav", full + "/clip.wav"));
    if (!earlier.isEmpty())
        writeFile(output, earlier);
    // Left by a conversion of the same output whose companion was killed, and the user's own
    // files that only look alike: no mark, or another one.
    const QString outputFolder = QFileInfo(output).path();
    QVERIFY(QDir(outputFolder).mkdir(".clip.mp3.k1LLed.mp3"));
    writeFile(outputFolder + "/.clip.mp3.k1LLed.mp3/clip.mp3", "half an MP3");
    writeFile(outputFolder + "/.clip.mp3.k1LLed.mp3/.orvalen-temporary",
              "Orvalen temporary output folder\n");
    writeFile(outputFolder + "/.clip.mp3.backup.mp3", "the user's");
    QVERIFY(QDir(outputFolder).mkdir(".clip.mp3.Before.mp3"));
    writeFile(outputFolder + "/.clip.mp3.Before.mp3/clip.mp3", "the user's");
    QVERIFY(QDir(outputFolder).mkdir(".clip.mp3.Marked.mp3"));
    writeFile(outputFolder + "/.clip.mp3.Marked.mp3/clip.mp3", "the user's");
    writeFile(outputFolder + "/.clip.mp3.Marked.mp3/.orvalen-temporary", "the user's");
    const QStringList lookAlikes{".clip.mp3.backup.mp3", ".clip.mp3.Before.mp3",
                                 ".clip.mp3.Marked.mp3"};

    QProcess orvalen;
    orvalen.setProcessEnvironment(withoutDisplay(directory.runtime()));
    orvalen.setWorkingDirectory(folder);
    orvalen.start(directory.program(), {"--wait", name});
    QVERIFY(orvalen.waitForStarted());
    if (interrupted) {
        // Once the encoder writes its temporary file beside the ones left behind.
        const auto writing = [&outputFolder, &lookAlikes] {
            QStringList files = temporaryFiles(outputFolder);
            files.removeOne(".clip.mp3.k1LLed.mp3");
            for (const QString &lookAlike : lookAlikes)
                files.removeOne(lookAlike);
            return files.size() == 1 &&
                   QFileInfo(outputFolder + '/' + files[0] + "/clip.mp3").size() > 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(writing(), 60'000);
        ::kill(pid_t(orvalen.processId()), SIGINT);
    }

    QVERIFY(orvalen.waitForFinished(60'000));
    QCOMPARE(orvalen.exitStatus(), QProcess::NormalExit);
    QCOMPARE(orvalen.exitCode(), status);
    const QString errors = QString::fromUtf8(orvalen.readAllStandardError());
    QVERIFY2(error.isEmpty() ? errors.isEmpty() : errors.startsWith(error), qPrintable(errors));

    if (status == 0)
        QCOMPARE(probe(output), "mp3,44100,2\n");
    else
        QCOMPARE(readFile(output), earlier);
    QCOMPARE(temporaryFiles(outputFolder), lookAlikes);
    QCOMPARE(readFile(outputFolder + "/.clip.mp3.backup.mp3"), "the user's");
    QCOMPARE(readFile(outputFolder + "/.clip.mp3.Before.mp3/clip.mp3"), "the user's");
    QCOMPARE(readFile(outputFolder + "/.clip.mp3.Marked.mp3/clip.mp3"), "the user's");
}

// A companion that ends at once, or stops, leaves no conversion unaccounted for: the program
// names the files it cannot vouch for and says so in its exit status.
void TestEndToEnd::companionThatDoesNotAnswer_data()
{
    QTest::addColumn<QByteArray>("companion");

    QTest::newRow("ends at once") << QByteArray("#!/bin/sh\nexit 0\n");
    QTest::newRow("stopped") << QByteArray("#!/bin/sh\necho $$ > \"$(dirname \"$0\")/stopped\"\n"
                                           "kill -STOP $$\n");
}

void TestEndToEnd::companionThatDoesNotAnswer()
{
    QFETCH(QByteArray, companion);

    ProgramDirectory directory;
    const QString path = directory.path() + "/orvalen-conversion";
    QVERIFY(QFile::remove(path));
    writeFile(path, companion, true);
    const Run result = run(directory, {"a.wav", "b.wav"});
    if (const QByteArray stopped = readFile(directory.path() + "/stopped"); !stopped.isEmpty())
        ::kill(stopped.trimmed().toInt(), SIGKILL);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(errors(directory).contains("変換を見守るプログラム"), qPrintable(errors(directory)));
    QVERIFY2(errors(directory).endsWith("\na.wav\nb.wav\n"), qPrintable(errors(directory)));
}

// A companion killed while its conversions run leaves `--wait` no conversion to vouch for:
// it names each one and ends with status 2.
void TestEndToEnd::companionKilledMidBatch()
{
    ProgramDirectory directory("#!/bin/sh\necho $$ >> \"$(dirname \"$0\")/../encoders\"\n"
                               "exec sleep 60\n");
    QProcess orvalen;
    orvalen.setProcessEnvironment(withoutDisplay(directory.runtime()));
    orvalen.setWorkingDirectory(directory.work());
    orvalen.start(directory.program(), {"--wait", "a.wav", "b.wav"});
    QVERIFY(orvalen.waitForStarted());
    const auto encoders = [&directory] {
        return readFile(directory.path() + "/encoders").split('\n').size() - 1;
    };
    QTRY_COMPARE(encoders(), 2);
    const QByteArray encoder = readFile(directory.path() + "/encoders").split('\n').value(0);
    const QByteArray state = readFile("/proc/" + encoder + "/stat").split(')').value(1);
    const pid_t companion = pid_t(state.split(' ').value(2).toInt());
    QVERIFY(companion > 1);
    QCOMPARE(::kill(companion, SIGKILL), 0);

    QVERIFY(orvalen.state() == QProcess::NotRunning || orvalen.waitForFinished(30'000));
    QCOMPARE(orvalen.exitCode(), 2);
    const QString errors = QString::fromUtf8(orvalen.readAllStandardError());
    QVERIFY2(errors.contains("変換を見守るプログラムが途中で終わりました"), qPrintable(errors));
    QVERIFY2(errors.endsWith("\na.wav\nb.wav\n"), qPrintable(errors));
}

void TestEndToEnd::withoutUsableDisplay_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("told");

    const QString none = "（ディスプレイがありません）";
    QTest::newRow("no display") << ""
                                << "" << none;
    QTest::newRow("an X display that does not open") << "DISPLAY"
                                                     << "absent" << none;
    QTest::newRow("an X server that never answers") << "DISPLAY"
                                                    << "silent" << none;
    QTest::newRow("a Wayland display without a compositor")
        << "WAYLAND_DISPLAY"
        << "wayland-77"
        << "（Wayland のコンポジターが応答しません）: ";
    QTest::newRow("a Wayland compositor without the toolkit's plugin")
        << "WAYLAND_DISPLAY"
        << "wayland-answering"
        << "（Qt の Wayland プラグインがありません）。パッケージ qt6-wayland を";
}

void TestEndToEnd::withoutUsableDisplay()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QString, told);
    if (value == "wayland-answering" && waylandPluginInstalled())
        QSKIP("Qt's Wayland plugin is installed");

    std::optional<SilentXServer> silent;
    if (value == "silent") {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("Xvfb is not installed");
        value = silent.emplace().display;
        QVERIFY2(!value.isEmpty(), "Xvfb did not start");
    }
    const AbsentXServer absent;
    if (value == "absent") {
        QVERIFY(!absent.display.isEmpty());
        value = absent.display;
    }

    ProgramDirectory directory;
    const AnsweringCompositor compositor(directory.runtime() + "/wayland-answering");
    QProcessEnvironment environment = withoutDisplay(directory.runtime());
    if (!variable.isEmpty())
        environment.insert(variable, value);
    const QString errorFile = directory.path() + "/errors";

    QCOMPARE(run(directory, {}, environment, errorFile).exitCode, 3);
    QVERIFY2(errors(directory).contains("ウィンドウを表示できません" + told),
             qPrintable(errors(directory)));

    // Names are converted all the same; the naming message goes to standard error only.
    QCOMPARE(run(directory, {"first.mp4", "abc", "last.mp4"}, environment, errorFile).exitCode, 1);
    QVERIFY(errors(directory).contains("abc : このファイルは処理できません。終了します"));
    QTRY_COMPARE(directory.recordedArguments(),
                 QList<QByteArrayList>{fixedPreset("first.mp4", "first.mp3")});
}

void TestEndToEnd::encoderThatCannotStart_data()
{
    QTest::addColumn<QByteArray>("encoder");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("reason");

    // Found out by the program itself, or by the companion's exec, which then refuses each
    // conversion: the same exit status either way.
    const QString missing = "ファイルまたはフォルダーがありません";
    QTest::newRow("missing") << QByteArray() << false << missing;
    QTest::newRow("not executable")
        << QByteArray("#!/bin/sh\n") << false << "アクセスが許可されていません";
    QTest::newRow("its interpreter missing")
        << QByteArray("#!/nonexistent/sh\n") << true << missing;
    QTest::newRow("not a program")
        << QByteArray("just words\n") << true << "実行できる形式のプログラムではありません";
}

void TestEndToEnd::encoderThatCannotStart()
{
    QFETCH(QByteArray, encoder);
    QFETCH(bool, executable);
    QFETCH(QString, reason);

    ProgramDirectory directory(encoder);
    if (!encoder.isEmpty() && !executable)
        QVERIFY(QFile::setPermissions(directory.encoderPath(), QFile::ReadOwner));
    QCOMPARE(run(directory, {"a.mp4", "b.mp4"}).exitCode, 2);
    QVERIFY2(errors(directory).contains(directory.encoderPath()), qPrintable(errors(directory)));
    QVERIFY2(errors(directory).contains(reason), qPrintable(errors(directory)));
}

// In a terminal, the command line's messages are told there and no box waits for OK, even
// where a box could be shown.
void TestEndToEnd::terminalIsToldInTheTerminal()
{
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const auto closeTerminal = qScopeGuard([terminal] { ::close(terminal); });
    ProgramDirectory directory(QByteArray{});
    QProcessEnvironment environment = withoutDisplay(directory.runtime());
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    QCOMPARE(run(directory, {"a.mp4", "b.mp4"}, environment, ::ptsname(terminal)).exitCode, 2);
    QByteArray told(4096, '\0');
    told.truncate(std::max<ssize_t>(0, ::read(terminal, told.data(), told.size())));
    QVERIFY2(told.contains("エンコーダーを起動できません: " +
                           QFile::encodeName(directory.encoderPath())),
             told.constData());
    QVERIFY2(told.contains("次のファイルは変換しませんでした。\r\na.mp4\r\nb.mp4"),
             told.constData());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
