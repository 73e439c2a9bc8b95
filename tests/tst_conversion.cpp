// The companion's rules that need no encoder: reading the encoder's output, the messages
// between the program and the companion and how a stream is served, the outcome texts, a
// batch's summary, and temporary file names.
#include "companionfixture.h"
#include "conversion/conversionhost.h"
#include "conversion/encoderoutput.h"
#include "conversion/partialrecord.h"
#include "conversion/qtnames.h"
#include "conversion/requestlistener.h"
#include "conversion/temporaryoutput.h"
#include "jobs/batchcounts.h"
#include "jobs/conversionrequest.h"
#include "platform/processstart.h"
#include "platform/windowpart.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The rules' texts as Qt's list.
QStringList qStringListOf(const TextList &texts)
{
    QStringList list;
    for (const std::u16string &text : texts)
        list.append(toQString(text));
    return list;
}

// Writes what the socket takes now; how much.
qsizetype writeSome(int socket, QByteArrayView bytes)
{
    const ssize_t written = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    return written > 0 ? written : 0;
}

// Reads the reports that have come, and whether the stream has ended.
bool readReports(int socket, std::string &incoming, QList<ConversionReport> &reports)
{
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        incoming.append(buffer, count);
    while (const std::optional<ConversionReport> report = takeReport(incoming))
        reports.append(*report);
    return count == 0;
}

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void encoderOutput_data();
    void encoderOutput();
    void encoderBannerNeverKept();
    void messagesCrossAStream_data();
    void messagesCrossAStream();
    void streamsServedNoFurther_data();
    void streamsServedNoFurther();
    void notesOutliveTheirStream();
    void encodersEndWhateverTheyDo_data();
    void encodersEndWhateverTheyDo();
    void encoderGetsNothingElseOfOurs();
    void failuresWithoutWindowsAreTold_data();
    void failuresWithoutWindowsAreTold();
    void killedCompanionLeavesNothingBehind();
    void liveTemporaryFoldersStay();
    void outcomeTexts_data();
    void outcomeTexts();
    void batchSummaries_data();
    void batchSummaries();
    void temporaryNames_data();
    void temporaryNames();
    void caseFoldedNames_data();
    void caseFoldedNames();
};

void TestConversion::encoderOutput_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<int>("percent"); // -1: unknown
    QTest::addColumn<QString>("lastMessage");
    QTest::addColumn<QString>("lastLine");

    const QByteArray duration = "  Duration: 00:01:40.00, start: 0.000000, bitrate: 1411 kb/s\n";
    QTest::newRow("progress from the duration")
        << QByteArrayList{duration, "size=  100kB time=00:00:25.00 bitrate=128.0kbits/s\r"} << 25
        << "Duration: 00:01:40.00, start: 0.000000, bitrate: 1411 kb/s"
        << "size=  100kB time=00:00:25.00 bitrate=128.0kbits/s";
    QTest::newRow("a report replaces the one before")
        << QByteArrayList{duration, "size=1kB time=00:00:10.00\rsize=2kB time=00:00:50.00\r"} << 50
        << "Duration: 00:01:40.00, start: 0.000000, bitrate: 1411 kb/s"
        << "size=2kB time=00:00:50.00";
    QTest::newRow("the reason is no progress report")
        << QByteArrayList{duration, "Error writing trailer: No space left on device\n",
                          "size=1kB time=00:00:10.00 bitrate=1kbits/s\r"}
        << 10 << "Error writing trailer: No space left on device"
        << "size=1kB time=00:00:10.00 bitrate=1kbits/s";
    QTest::newRow("the reason outweighs the closing lines")
        << QByteArrayList{duration, "Error closing file x.mp3: No space left on device\n",
                          "video:0kB audio:258kB subtitle:0kB muxing overhead: unknown\n",
                          "Conversion failed!\n"}
        << 0 << "Error closing file x.mp3: No space left on device"
        << "Conversion failed!";
    QTest::newRow("a closing line is better than none")
        << QByteArrayList{"Conversion failed!\n"} << -1 << "Conversion failed!"
        << "Conversion failed!";
    QTest::newRow("a line cut between chunks")
        << QByteArrayList{"clip.wav: Invalid da", "ta found when processing input\n"} << -1
        << "clip.wav: Invalid data found when processing input"
        << "clip.wav: Invalid data found when processing input";
    QTest::newRow("no duration: no percent")
        << QByteArrayList{"size=1kB time=00:00:10.00\r"} << -1 << ""
        << "size=1kB time=00:00:10.00";
    QTest::newRow("a line without end keeps its start")
        << QByteArrayList{QByteArray(5000, 'a'), QByteArray(5000, 'b'), "\n"} << -1
        << QString(EncoderOutput::LineLimit, 'a') << QString(EncoderOutput::LineLimit, 'a');
    QTest::newRow("past the end stays at 100")
        << QByteArrayList{"Duration: 00:00:10.00\n", "size=9kB time=00:00:11.00\r"} << 100
        << "Duration: 00:00:10.00"
        << "size=9kB time=00:00:11.00";
}

void TestConversion::encoderOutput()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(int, percent);
    QFETCH(QString, lastMessage);
    QFETCH(QString, lastLine);

    EncoderOutput output;
    for (const QByteArray &chunk : chunks)
        output.append(chunk);
    QCOMPARE(output.percentDone().value_or(-1), percent);
    QCOMPARE(output.lastMessage(), lastMessage);
    const QStringList lines = qStringListOf(output.latestLines());
    QCOMPARE(lines.value(lines.size() - 1), lastLine);
    QCOMPARE(lines.count(lastLine), 1);
}

void TestConversion::encoderBannerNeverKept()
{
    EncoderOutput output;
    output.append("ffmpeg version 5.1.9-0+deb12u1 Copyright (c) 2000-2026 the FFmpeg developers\n"
                  "  built with gcc 12 (Debian 12.2.0-14+deb12u1)\n"
                  "  configuration: --prefix=/usr --extra-version=0+deb12u1\n"
                  "  libavutil      57. 28.100 / 57. 28.100\n"
                  "  libavdevice    59.  7.100 / 59.  7.100\n"
                  "  libswresample   4.  7.100 /  4.  7.100\n"
                  "  libpostproc    56.  6.100 / 56.  6.100\n"
                  "clip.wav: No such file or directory\n");
    QCOMPARE(qStringListOf(output.latestLines()),
             QStringList{"clip.wav: No such file or directory"});
    QCOMPARE(output.lastMessage(), "clip.wav: No such file or directory");
}

void TestConversion::messagesCrossAStream_data()
{
    QTest::addColumn<std::string>("stream");
    QTest::addColumn<QList<ProgramMessage>>("messages");
    QTest::addColumn<QList<ConversionReport>>("reports");

    // A name with a byte that is not UTF-8, carried as a lone surrogate.
    const std::u16string name = u"caf\xDCE9.wav";
    const ConversionRequest request{
        u"/home/u", {u"/opt/cores/ffmpeg", name, u"x.mp3", {u"-vn"}}, true};
    // An error with the causes it carries, names with a lone surrogate too.
    const Error noLock{Error::What::OutputLockUnavailable,
                       0,
                       {},
                       {{Error::What::RuntimeFolderUnusable, EROFS, name},
                        {Error::What::RuntimeFolderNotPrivate, 0, u"/c/runtime"}}};
    const QList<ConversionReport> reports{
        {0, {ConversionOutcome::Kind::Started}},
        {1, {ConversionOutcome::Kind::Refused, noLock}},
        {0,
         {ConversionOutcome::Kind::Failed, Error{Error::What::EncoderExited, 1}, u"Invalid data"}},
        {1, {ConversionOutcome::Kind::Stopped}}};
    std::string reportStream;
    for (const ConversionReport &report : reports)
        reportStream += toFrame(report);

    QTest::newRow("requests, a note and a stop")
        << toFrame(request) + toFrame(ConversionRequest{}) + toFrame(BatchNote{name}) +
               toFrame(StopRequest{})
        << QList<ProgramMessage>{request, ConversionRequest{}, BatchNote{name}, StopRequest{}}
        << QList<ConversionReport>{};
    QTest::newRow("a request frame that holds no request is an empty one")
        << std::string("\0\0\0\2\0\7", 6) << QList<ProgramMessage>{ConversionRequest{}}
        << QList<ConversionReport>{};
    QTest::newRow("a Hello, and frames of unknown types skipped")
        << toFrame(Hello{}) + std::string("\0\0\0\2\7\7\0\0\0\1\xff", 11) + toFrame(StopRequest{})
        << QList<ProgramMessage>{Hello{}, StopRequest{}} << QList<ConversionReport>{};
    QTest::newRow("reports of every kind") << reportStream << QList<ProgramMessage>{} << reports;
    QTest::newRow("reports past frames of unknown types")
        << std::string("\0\0\0\1\x40", 5) + reportStream << QList<ProgramMessage>{} << reports;
    QTest::newRow("a report is not a request")
        << toFrame(reports[0]) << QList<ProgramMessage>{ConversionRequest{}}
        << QList<ConversionReport>{};
}

void TestConversion::messagesCrossAStream()
{
    QFETCH(std::string, stream);
    QFETCH(QList<ProgramMessage>, messages);
    QFETCH(QList<ConversionReport>, reports);

    // Byte by byte: nothing is taken before its frame is whole.
    std::string arrived;
    QList<ProgramMessage> taken;
    for (const char byte : std::as_const(stream)) {
        arrived += byte;
        while (const std::optional<ProgramMessage> message = takeProgramMessage(arrived))
            taken.append(*message);
    }
    QVERIFY(arrived.empty());
    if (!messages.isEmpty())
        QCOMPARE(taken, messages);
    if (reports.isEmpty())
        return;
    QList<ConversionReport> told;
    while (const std::optional<ConversionReport> report = takeReport(stream))
        told.append(*report);
    QCOMPARE(told, reports);
}

// A window part that counts the batches it is asked to show, and shows nothing.
class CountingWindows final : public WindowPart, public BatchView
{
public:
    MessageAnswer messageBox(const BoxOwner *, const std::u16string &, MessageStyle, int) override
    {
        return MessageAnswer::Ok;
    }
    std::optional<std::u16string> chooseFileToOpen(const BoxOwner *, const std::u16string &,
                                                   const std::u16string &) override
    {
        return std::nullopt;
    }
    void endProgram(int) override {}
    int runMainWindow(Platform &, const TextList &) override { return 0; }
    void callOnWindowThread(std::function<void()>) override {}
    void prepareEventLoop() override {}
    BatchView *showBatch(BatchControl &) override
    {
        ++shown;
        return this;
    }
    void notifyDesktop(const std::u16string &, std::function<void()>) override {}
    void addConversion(const ConversionRequest &) override {}
    void showProgress(std::size_t, std::optional<int>, const TextList &) override {}
    void showState(std::size_t, const ConversionOutcome &) override {}
    void addNote(const std::u16string &) override {}
    void showSummary(const std::u16string &) override {}
    void showEnd(bool) override {}

    int shown = 0;
};

// The companion serves a stream only as long as its client can be trusted to take answers
// and to send its own requests; a client of the first version, which says no Hello, is
// served as well, and frames of types a later version may add are skipped.
void TestConversion::streamsServedNoFurther_data()
{
    QTest::addColumn<std::string>("stream");
    QTest::addColumn<bool>("halfCloses"); // the client closes its end for writing, and reads
    QTest::addColumn<int>("reports");
    QTest::addColumn<bool>("closed"); // the companion ends the stream
    QTest::addColumn<int>("windows");

    // Refused, for its output folder is missing; no encoder is started.
    const std::string request = toFrame(
        ConversionRequest{u"/", {u"/nonexistent/ffmpeg", u"a.wav", u"/nonexistent/a.mp3", {}}});
    const std::string unknown("\0\0\0\3\x40xy", 7);
    const std::string hello = toFrame(Hello{});
    QTest::newRow("a request of the first version is answered")
        << request << false << 1 << false << 1;
    QTest::newRow("a request after a Hello is answered")
        << hello + request << false << 1 << false << 1;
    QTest::newRow("an unknown frame between two requests is skipped")
        << hello + request + unknown + request << false << 2 << false << 1;
    QTest::newRow("a request and then the end of writing: answered")
        << hello + request << true << 1 << true << 1;
    QTest::newRow("a malformed request: closed, and nothing shown")
        << hello + toFrame(ConversionRequest{}) + request << false << 0 << true << 0;
    QTest::newRow("a Hello after a request: closed")
        << request + hello + request << false << 1 << true << 1;
    QTest::newRow("a frame over the limit")
        << std::string("\xff\xff\xff\xff") + std::string(MaximumFrameSize + 1, '\0') << false << 0
        << true << 0;
}

void TestConversion::streamsServedNoFurther()
{
    QFETCH(std::string, stream);
    QFETCH(bool, halfCloses);
    QFETCH(int, reports);
    QFETCH(bool, closed);
    QFETCH(int, windows);

    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    int pair[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair), 0);
    QByteArrayView unsent = QByteArrayView(stream).sliced(writeSome(pair[0], stream));
    if (halfCloses)
        ::shutdown(pair[0], SHUT_WR);
    CountingWindows shown;
    ConversionHost host(ConversionHost::Presentation::Windows);
    host.serve(pair[1]);
    host.watch(&shown);
    // What did not fit in the socket goes while the companion reads, until it stops reading.
    std::string incoming;
    QList<ConversionReport> told;
    bool ended = false;
    while (!unsent.isEmpty() && !ended) {
        QCoreApplication::processEvents();
        unsent = unsent.sliced(writeSome(pair[0], unsent));
        ended = readReports(pair[0], incoming, told);
    }
    const auto settled = [&] {
        ended = readReports(pair[0], incoming, told) || ended;
        return ended || (told.size() >= reports && !closed);
    };
    QTRY_VERIFY(settled());
    QCoreApplication::processEvents();
    QCOMPARE(told.size(), reports);
    QCOMPARE(ended, closed);
    QCOMPARE(shown.shown, windows);
    ::close(pair[0]);
}

// Whatever an encoder does, the companion follows it and ends it: an encoder that writes
// without end is stopped as soon as it is asked to, and nothing that an encoder leaves
// running writes to its output once its success is told.
void TestConversion::encodersEndWhateverTheyDo_data()
{
    QTest::addColumn<QByteArray>("encoder");
    QTest::addColumn<bool>("stopped"); // the program asks to stop once the encoder runs
    QTest::addColumn<ConversionOutcome::Kind>("outcome");

    // Stopped once it has written 16 MiB, so that the line it writes is long already: it
    // tells so by making the file named as the input.
    QTest::newRow("endless output without a newline")
        << QByteArray("head -c 16777216 /dev/zero\n: > \"$3\"\nexec cat /dev/zero") << true
        << ConversionOutcome::Kind::Stopped;
    // It writes the pid of what it leaves into the file named as the input; the output is
    // named last.
    QTest::newRow("a child left writing to the output")
        << QByteArray("for last; do :; done\n"
                      "exec 3>\"$last\"\n"
                      "printf whole >&3\n"
                      "(while :; do printf x >&3; sleep 0.01; done) &\n"
                      "echo $! > \"$3\"\n")
        << false << ConversionOutcome::Kind::Succeeded;
}

void TestConversion::encodersEndWhateverTheyDo()
{
    QFETCH(QByteArray, encoder);
    QFETCH(bool, stopped);
    QFETCH(ConversionOutcome::Kind, outcome);

    QTemporaryDir work;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.path()));
    ConversionHost host(ConversionHost::Presentation::StandardError);
    host.watch(nullptr);
    RequestClient client;
    host.serve(client.companionEnd());
    QVERIFY(client.send(ConversionRequest{
        utf16Of(work.path()),
        {writeEncoder(work.filePath("encoder.sh"), encoder), u"input", u"out.mp3", {}},
        true}));
    QTRY_VERIFY(!client.reports().isEmpty());
    QCOMPARE(client.reports().constFirst().outcome.kind, ConversionOutcome::Kind::Started);
    if (stopped) {
        QTRY_VERIFY(QFile::exists(work.filePath("input")));
        QVERIFY(client.send(StopRequest{}));
    }
    QTRY_COMPARE(client.latest(), outcome);

    QFile left(work.filePath("input"));
    if (!stopped && left.open(QIODevice::ReadOnly)) {
        // Gone, or ended and not yet reaped by whoever adopted it.
        QFile state("/proc/" + left.readAll().trimmed() + "/stat");
        QVERIFY(!state.open(QIODevice::ReadOnly) || state.readAll().contains(") Z "));
    }
    client.closeStream();
    QTRY_VERIFY(host.isIdle());
}

// The encoder starts in the request's folder with no descriptor of ours but its standard
// streams and its output's folder, not even one that any program we exec would get.
void TestConversion::encoderGetsNothingElseOfOurs()
{
    QTemporaryDir work;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.path()));
    const int kept = ::open("/dev/null", O_RDONLY);
    const auto closeKept = qScopeGuard([kept] { ::close(kept); });
    ConversionHost host(ConversionHost::Presentation::StandardError);
    host.watch(nullptr);
    RequestClient client;
    host.serve(client.companionEnd());
    // The script's own descriptor left out, as the shell opens it.
    const QByteArray encoder =
        "for f in /proc/$$/fd/*; do\n"
        "    [ -e \"$f\" ] && ! [ \"$f\" -ef \"$0\" ] && fds=\"$fds ${f##*/}\"\n"
        "done\n"
        "printf '%s\\n%s' \"$(pwd -P)\" \"$fds\" > \"$(dirname \"$0\")/seen\"\n"
        "for last; do :; done\n"
        "printf mp3 > \"$last\"\n";
    QVERIFY(client.send(ConversionRequest{
        utf16Of(work.path()),
        {writeEncoder(work.filePath("encoder.sh"), encoder), u"a.wav", u"a.mp3", {}}}));
    const auto seen = [&work] {
        QFile file(work.filePath("seen"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE(seen(), QFile::encodeName(QDir(work.path()).canonicalPath()) + "\n 0 1 2 3");
    client.closeStream();
    QTRY_VERIFY(host.isIdle());
}

// Failures that nobody waits for, and notes, are told on standard error when there is no
// window to show them in: without a display, or when the window part could not be loaded.
void TestConversion::failuresWithoutWindowsAreTold_data()
{
    QTest::addColumn<ConversionHost::Presentation>("presentation");
    QTest::addColumn<bool>("notesTold");

    QTest::newRow("no display") << ConversionHost::Presentation::StandardError << false;
    QTest::newRow("no window part") << ConversionHost::Presentation::Windows << true;
}

void TestConversion::failuresWithoutWindowsAreTold()
{
    QFETCH(ConversionHost::Presentation, presentation);
    QFETCH(bool, notesTold);

    QTemporaryDir work;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.path()));
    QTemporaryFile told;
    QVERIFY(told.open());
    const int standardError = ::dup(STDERR_FILENO);
    ::dup2(told.handle(), STDERR_FILENO);
    const auto restore = qScopeGuard([standardError] {
        ::dup2(standardError, STDERR_FILENO);
        ::close(standardError);
    });

    ConversionHost host(presentation);
    host.watch(nullptr);
    RequestClient client;
    host.serve(client.companionEnd());
    const EncoderCall call{
        writeEncoder(work.filePath("encoder.sh"), "exit 3"), u"a.wav", u"a.mp3", {}};
    QVERIFY(client.send(ConversionRequest{utf16Of(work.path()), call}));
    QVERIFY(client.send(BatchNote{u"b.wav: 入力ファイルがありません。"}));
    QTRY_VERIFY(!client.reports().isEmpty());
    client.closeStream();
    QTRY_VERIFY(host.isIdle());

    QStringList expected{toQString(outcomeLine(
        call, {ConversionOutcome::Kind::Failed, Error{Error::What::EncoderExited, 3}}))};
    if (notesTold)
        expected.append("b.wav: 入力ファイルがありません。");
    QFile written(told.fileName());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()).split('\n', Qt::SkipEmptyParts), expected);
}

// A companion killed while it converts leaves the temporary folder of the output and its lock
// beside it; the next companion that starts removes them.
void TestConversion::killedCompanionLeavesNothingBehind()
{
    QTemporaryDir work;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.path()));
    const auto startCompanion = [](int input) {
        return startProcess(COMPANION_BINARY, {"--batch"}, {{}, {input, -1, STDERR_FILENO}, {}},
                            Error::What::CompanionNotStartable);
    };
    // Starts a companion with nothing to do, which leaves again once it has looked.
    const auto startIdleCompanion = [&startCompanion] {
        const Result<pid_t> started = startCompanion(-1);
        int status = -1;
        return started && ::waitpid(*started, &status, 0) == *started && status == 0;
    };
    const auto leftovers = [&work] {
        return QDir(work.path())
                   .entryList({".out.mp3.*", ".orvalen-*"}, QDir::AllEntries | QDir::Hidden) +
               QDir(work.filePath("orvalen")).entryList({"partial-*"});
    };
    RequestClient client;
    const Result<pid_t> killed = startCompanion(client.companionEnd());
    ::close(client.companionEnd());
    QVERIFY(killed);
    QVERIFY(client.send(ConversionRequest{
        utf16Of(work.path()),
        {writeEncoder(work.filePath("encoder.sh"), "exec sleep 600"), u"a.wav", u"out.mp3", {}},
        true}));
    QTRY_VERIFY(!client.reports().isEmpty());
    // The folder, the output's lock beside it and its record, which a companion that starts
    // meanwhile leaves alone.
    QCOMPARE(leftovers().size(), 3);
    QVERIFY(startIdleCompanion());
    QCOMPARE(leftovers().size(), 3);

    ::kill(*killed, SIGKILL);
    QCOMPARE(::waitpid(*killed, nullptr, 0), *killed);
    QCOMPARE(leftovers().size(), 3);
    QVERIFY(startIdleCompanion());
    QCOMPARE(leftovers(), QStringList{});
}

// A temporary folder that a running conversion holds is no leftover to another one of the
// same output, even one that does not share its lock (another spelling of the folder on a
// case-blind disk).
void TestConversion::liveTemporaryFoldersStay()
{
    QTemporaryDir work;
    const QByteArray output = QFile::encodeName(work.filePath("out.mp3"));
    const auto temporaryOutput = [&work, &output](TemporaryOutput &temporary) {
        OutputFolder folder;
        return folder.open(output) &&
               temporary.create(std::move(folder), QFile::encodeName(work.path()));
    };
    TemporaryOutput live;
    TemporaryOutput other;
    QVERIFY(temporaryOutput(live));
    QVERIFY(temporaryOutput(other));
    other.removeLeftovers();
    QCOMPARE(QDir(work.path()).entryList({".out.mp3.*"}, QDir::Dirs | QDir::Hidden).size(), 2);
}

// The program tells its notes just before it closes the stream: they are shown even when the
// end of the stream comes with them, unlike requests, which nobody waits for any more.
void TestConversion::notesOutliveTheirStream()
{
    int pair[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    const std::string sent = toFrame(ConversionRequest{u"/", {u"/e", u"a.wav", u"a.mp3", {}}}) +
                             toFrame(BatchNote{u"b.wav"});
    QCOMPARE(writeSome(pair[0], sent), qsizetype(sent.size()));
    ::close(pair[0]);
    RequestConnection connection(pair[1]);
    QList<ProgramMessage> received;
    connect(&connection, &RequestConnection::received,
            [&received](const ProgramMessage &message) { received.append(message); });
    // The host ends the batch's stream once its connection says it is closed.
    QSignalSpy closed(&connection, &RequestConnection::closed);
    connection.readAvailable();
    QCOMPARE(received, QList<ProgramMessage>{BatchNote{u"b.wav"}});
    QCOMPARE(closed.size(), 1);
}

void TestConversion::outcomeTexts_data()
{
    QTest::addColumn<ConversionOutcome>("outcome");
    QTest::addColumn<QString>("line");

    using Kind = ConversionOutcome::Kind;
    QTest::newRow("failed") << ConversionOutcome{Kind::Failed, Error{Error::What::EncoderExited, 1},
                                                 u"a.wav: Invalid data"}
                            << "orvalen: a.wav → a.mp3: 変換に失敗しました（終了コード 1）: "
                               "a.wav: Invalid data";
    QTest::newRow("failed without a message")
        << ConversionOutcome{Kind::Failed, Error{Error::What::EncoderKilled, 9}}
        << "orvalen: a.wav → a.mp3: 変換に失敗しました（シグナル 9 で終了）";
    QTest::newRow("refused") << ConversionOutcome{Kind::Refused, Error{Error::What::OutputIsLink}}
                             << "orvalen: a.wav → a.mp3: 変換できません: 出力ファイルの名前は"
                                "シンボリックリンクです。書き込むのは通常のファイルだけです。";
    QTest::newRow("stopped") << ConversionOutcome{Kind::Stopped}
                             << "orvalen: a.wav → a.mp3: 変換を中止しました。";
}

void TestConversion::outcomeTexts()
{
    QFETCH(ConversionOutcome, outcome);
    QFETCH(QString, line);

    QCOMPARE(toQString(outcomeLine({u"/e", u"a.wav", u"a.mp3", {}}, outcome)), line);
    const BatchAnswer answer{{{{u"/e", u"b.wav", u"b.mp3", {}}, {ConversionOutcome::Kind::Started}},
                              {{u"/e", u"a.wav", u"a.mp3", {}}, outcome}},
                             {},
                             {}};
    QCOMPARE(qStringListOf(answer.problemLines()), QStringList{line});
}

// States by letter: w waiting, r running, o succeeded, f failed, s stopped, x refused.
void TestConversion::batchSummaries_data()
{
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("allSucceeded");

    QTest::newRow("all succeeded") << "ooo"
                                   << "3個中 3個完了" << true << true;
    QTest::newRow("one failed") << "ofo"
                                << "3個中 2個完了、1個失敗" << true << false;
    QTest::newRow("every state") << "xsfowr"
                                 << "6個中 1個完了、1個失敗、1個中止、1個開始できず、"
                                    "1個変換中、1個待機中"
                                 << false << false;
    QTest::newRow("a refusal has ended") << "ox"
                                         << "2個中 1個完了、1個開始できず" << true << false;
}

void TestConversion::batchSummaries()
{
    QFETCH(QString, states);
    QFETCH(QString, summary);
    QFETCH(bool, ended);
    QFETCH(bool, allSucceeded);

    using Kind = ConversionOutcome::Kind;
    const QHash<QChar, Kind> kinds{{'r', Kind::Started},
                                   {'o', Kind::Succeeded},
                                   {'f', Kind::Failed},
                                   {'s', Kind::Stopped},
                                   {'x', Kind::Refused}};
    BatchCounts counts;
    for (const QChar state : states) {
        counts.add(state == 'w' ? std::nullopt
                                : std::optional(ConversionOutcome{kinds.value(state)}));
    }
    QCOMPARE(toQString(summaryText(counts)), summary);
    QCOMPARE(toQString(endNoticeText(counts)), "変換が終わりました: " + summary.section(' ', 1));
    QCOMPARE(counts.haveEnded(), ended);
    QCOMPARE(counts.allSucceeded(), allSucceeded);
}

void TestConversion::temporaryNames_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("temporary");

    QTest::newRow("beside it, hidden, same extension")
        << QByteArray("song.mp3") << QByteArray(".song.mp3.Ab12Cd.mp3");
    QTest::newRow("another extension keeps its format")
        << QByteArray("take.wav") << QByteArray(".take.wav.Ab12Cd.wav");
    QTest::newRow("no extension") << QByteArray("out") << QByteArray(".out.Ab12Cd");
    QTest::newRow("longest name that fits") << QByteArray(237, 'a') + ".mp3"
                                            << "." + QByteArray(237, 'a') + ".mp3.Ab12Cd.mp3";
    // 234 bytes are kept, which would cut the 78th three-byte character: it goes whole.
    QTest::newRow("too long: its start and a hash")
        << "a" + QByteArray("日本語").repeated(28) + ".mp3"
        << ".a" + QByteArray("日本語").repeated(25) + "日本~29e78ed9.Ab12Cd.mp3";
}

void TestConversion::temporaryNames()
{
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, temporary);

    const QByteArray made = temporaryName(output, "Ab12Cd");
    QCOMPARE(made, temporary);
    QVERIFY(made.size() <= 255);
    QVERIFY(isTemporaryNameOf(made, output));
    QVERIFY(isTemporaryNameOf(temporaryName(output, "zZ0099"), output));
    // Neither the output itself, nor another output's, nor a name that only looks alike.
    QVERIFY(!isTemporaryNameOf(output, output));
    QVERIFY(!isTemporaryNameOf(temporaryName("x" + output, "Ab12Cd"), output));
    QVERIFY(!isTemporaryNameOf(temporaryName(output, "Ab-2Cd"), output));
    QVERIFY(!isTemporaryNameOf(temporaryName(output, "Ab12Cde"), output));
}

// An output's lock is named for its name in one case, which keeps a leading U+FEFF or
// U+FFFE as the name has it.
void TestConversion::caseFoldedNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("folded");

    QTest::newRow("a leading byte-order mark stays")
        << QByteArray("\xef\xbb\xbfSong.mp3") << QByteArray("\xef\xbb\xbfsong.mp3");
    QTest::newRow("a leading reversed byte-order mark stays")
        << QByteArray("\xef\xbf\xbeSong.mp3") << QByteArray("\xef\xbf\xbesong.mp3");
}

void TestConversion::caseFoldedNames()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, folded);

    QCOMPARE(caseFoldedFileName(name), folded);
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
