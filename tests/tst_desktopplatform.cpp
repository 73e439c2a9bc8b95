#include "conversion/requestlistener.h"
#include "jobs/filenamebytes.h"
#include "platform/desktopplatform.h"
#include "platform/processstart.h"
#include "platform/programlocation.h"
#include "platform/session.h"
#include "platform/unixsocket.h"
#include "platform/windowpart.h"
#include "window/messagedialog.h"
#include "window/qttext.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" WindowPart *orvalenMakeWindowPart(const char *displayPlatform);

using namespace std::chrono_literals;

namespace {

// The names that the open file dialog lists in its current folder.
QStringList listedNames(QFileDialog *dialog)
{
    const auto *view = dialog->findChild<QAbstractItemView *>("listView");
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
    names.sort();
    return names;
}

void touch(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestDesktopPlatform : public QObject
{
    Q_OBJECT

private slots:
    void namesKeepTheirBytes_data();
    void namesKeepTheirBytes();
    void programDirectoryFromKernelLink_data();
    void programDirectoryFromKernelLink();
    void fileDialogFiltersAndAnswers();
    void messageBoxFitsTheScreen_data();
    void messageBoxFitsTheScreen();
    void spawnedProgramGetsItsSetup_data();
    void spawnedProgramGetsItsSetup();
    void leavingListenerTakesQueuedClients();
    void listenerOutOfDescriptors();
    void fullListenerIsGivenUpOn();
    void endedConversionWindowRestsStill_data();
    void endedConversionWindowRestsStill();
};

void TestDesktopPlatform::namesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("characters");

    QTest::newRow("UTF-8") << QByteArray("動画 a.mp4") << QString("動画 a.mp4");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.wav")
                             << QString("caf") + QChar(0xDCE9) + ".wav";
    QTest::newRow("Shift-JIS") << QByteArray("\x83\x65\x83\x58\x83\x67.wav")
                               << QString(QChar(0xDC83)) + "e" + QChar(0xDC83) + "X" +
                                      QChar(0xDC83) + "g.wav";
    QTest::newRow("byte-order mark stays")
        << QByteArray("\xef\xbb\xbfsong.wav") << QString(QChar(0xFEFF)) + "song.wav";
    QTest::newRow("reversed byte-order mark stays")
        << QByteArray("\xef\xbf\xbesong.wav") << QString(QChar(0xFFFE)) + "song.wav";
    QTest::newRow("encoded surrogate is three bytes")
        << QByteArray("\xed\xa0\x80") << QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80);
    QTest::newRow("overlong slash")
        << QByteArray("\xc0\xaf") << QString(QChar(0xDCC0)) + QChar(0xDCAF);
    QTest::newRow("overlong slash in three bytes")
        << QByteArray("\xe0\x80\xaf") << QString(QChar(0xDCE0)) + QChar(0xDC80) + QChar(0xDCAF);
    QTest::newRow("overlong slash in four bytes")
        << QByteArray("\xf0\x80\x80\xaf")
        << QString(QChar(0xDCF0)) + QChar(0xDC80) + QChar(0xDC80) + QChar(0xDCAF);
    QTest::newRow("encoded low surrogate")
        << QByteArray("\xed\xb0\x80") << QString(QChar(0xDCED)) + QChar(0xDCB0) + QChar(0xDC80);
    QTest::newRow("above U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80")
        << QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80);
    QTest::newRow("pair whose low half looks escaped")
        << QByteArray("\xf0\x9f\x92\xa0") << QString::fromUtf8("\xf0\x9f\x92\xa0");
    QTest::newRow("cut-off sequence")
        << QByteArray("a\xe3\x81") << QString("a") + QChar(0xDCE3) + QChar(0xDC81);
}

void TestDesktopPlatform::namesKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, characters);

    QCOMPARE(toQString(fileNameFromBytes(bytes.toStdString())), characters);
    QCOMPARE(QByteArray::fromStdString(fileNameToBytes(toText(characters))), bytes);
    const DesktopPlatform platform({bytes.toStdString(), "b.mp4"}, "/opt/\xff");
    QCOMPARE(toQStringList(platform.arguments()), (QStringList{characters, "b.mp4"}));
    QCOMPARE(QByteArray::fromStdString(fileNameToBytes(platform.programDirectory())), "/opt/\xff");
}

void TestDesktopPlatform::programDirectoryFromKernelLink_data()
{
    QTest::addColumn<QByteArray>("link");      // below the test's folder
    QTest::addColumn<QByteArray>("directory"); // below the test's folder; "-" for none

    QTest::newRow("link to the program") << QByteArray("/exe") << QByteArray("/bin");
    QTest::newRow("through a linked folder") << QByteArray("/link/prog") << QByteArray("/bin");
    QTest::newRow("no link") << QByteArray("/nowhere/exe") << QByteArray("-");
}

void TestDesktopPlatform::programDirectoryFromKernelLink()
{
    QFETCH(QByteArray, link);
    QFETCH(QByteArray, directory);

    QTemporaryDir folder;
    const QByteArray root = QFile::encodeName(QDir(folder.path()).canonicalPath());
    QVERIFY(QDir(folder.path()).mkdir("bin"));
    touch(root + "/bin/prog");
    QVERIFY(QFile::link(folder.path() + "/bin/prog", folder.path() + "/exe"));
    QVERIFY(QFile::link(folder.path() + "/bin", folder.path() + "/link"));

    const Result<std::string> found = locateProgramDirectory((root + link).constData());
    if (directory == "-") {
        QVERIFY(!found);
        QCOMPARE(found.error(), (Error{Error::What::EncoderNotStartable, ENOENT,
                                       fileNameFromBytes((root + link).toStdString())}));
    } else {
        QVERIFY(found);
        QCOMPARE(QByteArray::fromStdString(*found), root + directory);
    }
}

void TestDesktopPlatform::fileDialogFiltersAndAnswers()
{
    QTemporaryDir folder;
    for (const QByteArray name : {"MOVIE.MP4", "b.flv", "notes.txt", "README", "caf\xe9.wav"})
        touch(QFile::encodeName(folder.path()) + '/' + name);
    QDir::setCurrent(folder.path());

    const QString filter = "Movies(mp4,flv) (*.mp4 *.flv);;All (*)";
    QStringList underMovies;
    QStringList underAll;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        // A failed check leaves the lambda early; the dialog must close all the same.
        auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        QCOMPARE(dialog->windowTitle(), "変換するファイルを選択");
        dialog->setDirectory(folder.path());
        QTRY_COMPARE(listedNames(dialog).size(), 2);
        underMovies = listedNames(dialog);
        dialog->selectNameFilter("All (*)");
        QTRY_COMPARE(listedNames(dialog).size(), 5);
        underAll = listedNames(dialog);
        auto *fileName = dialog->findChild<QLineEdit *>("fileNameEdit");
        QTest::keyClicks(fileName, "README");
        QTest::keyClick(fileName, Qt::Key_Return);
    });

    const std::unique_ptr<WindowPart> part(orvalenMakeWindowPart("offscreen"));
    const std::optional<std::u16string> chosen =
        part->chooseFileToOpen(nullptr, u"変換するファイルを選択", toText(filter));
    QCOMPARE(underMovies, (QStringList{"MOVIE.MP4", "b.flv"}));
    QCOMPARE(underAll.size(), 5);
    QCOMPARE(chosen, std::optional(toText(folder.filePath("README"))));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    QCOMPARE(part->chooseFileToOpen(nullptr, u"変換するファイルを選択", toText(filter)),
             std::nullopt);

    // The dialog cannot give back a name that is not UTF-8: it is refused, never mistaken.
    QString refusal;
    QTimer::singleShot(0, [&] {
        auto *fileName = QApplication::activeModalWidget()->findChild<QLineEdit *>("fileNameEdit");
        fileName->setText(QString("caf") + QChar::ReplacementCharacter + ".wav");
        QTest::keyClick(fileName, Qt::Key_Return);
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (const QLabel *label : box->findChildren<QLabel *>())
                refusal += label->text();
            box->accept();
        });
    });
    QCOMPARE(part->chooseFileToOpen(nullptr, u"変換するファイルを選択", toText(filter)),
             std::nullopt);
    QVERIFY2(refusal.contains("UTF-8"), qPrintable(refusal));
}

void TestDesktopPlatform::messageBoxFitsTheScreen_data()
{
    QTest::addColumn<QString>("text");

    const QString question = "以上のファイルを変換開始しますか？";
    QString longListing;
    QString shortListing;
    for (int i = 1; i <= 31; ++i) {
        longListing += QString("/home/user/録音/a long name of a recording made on day %1 ")
                           .arg(i)
                           .repeated(3) +
                       ".mp4\r\n";
        shortListing += QString("/v/%1.mp4\r\n").arg(i);
    }
    QTest::newRow("31 long names") << longListing + question;
    QTest::newRow("31 short names") << shortListing + question;
    QTest::newRow("one line longer than the screen") << QString("/a/very/long/path ").repeated(80);
    // Lines about as wide as the screen, where a box could take them to fit and wrap them.
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    for (int percent = 76; percent <= 100; percent += 4) {
        QString line = "/v";
        while (QFontMetrics(QApplication::font()).horizontalAdvance(line) <
               screenWidth * percent / 100)
            line += " word";
        QTest::addRow("20 lines %d%% of the screen wide", percent)
            << QString(line + "\n").repeated(20) + question;
    }
    QTest::newRow("short") << "/v/a.mp4\r\n" + question;
}

void TestDesktopPlatform::messageBoxFitsTheScreen()
{
    QFETCH(QString, text);

    QWidget window;
    window.show();
    MessageDialog box(&window, text, MessageDialog::Icon::Question, true);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(window.screen()->availableGeometry().contains(box.frameGeometry()));

    // The last line, OK and Cancel are all shown whole inside the box.
    const QString lastLine = text.section('\n', -1);
    QList<QWidget *> shown;
    for (QLabel *label : box.findChildren<QLabel *>()) {
        if (label->text().endsWith(lastLine))
            shown.append(label);
    }
    for (QPushButton *button : box.findChildren<QPushButton *>())
        shown.append(button);
    QCOMPARE(shown.size(), 3);
    for (QWidget *widget : shown) {
        QVERIFY(widget->isVisible());
        QVERIFY(box.rect().contains(QRect(widget->mapTo(&box, QPoint()), widget->size())));
        const int needed = widget->hasHeightForWidth() ? widget->heightForWidth(widget->width())
                                                       : widget->sizeHint().height();
        QVERIFY2(widget->height() >= needed,
                 qPrintable(QString("%1 px high, needs %2").arg(widget->height()).arg(needed)));
    }
}

void TestDesktopPlatform::spawnedProgramGetsItsSetup_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("workingDirectory");
    QTest::addColumn<bool>("inheritsPipe");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("exitStatus");

    // The script sees the pipe's descriptor as $1; it fails when the setup did not hold.
    const QByteArray sh = "/bin/sh";
    QTest::newRow("runs in its directory")
        << sh << QByteArray("test \"$PWD\" = /tmp") << QByteArray("/tmp") << false << 0 << 0;
    QTest::newRow("keeps what it inherits")
        << sh << QByteArray("test -e /dev/fd/$1") << QByteArray() << true << 0 << 0;
    QTest::newRow("nothing else of ours")
        << sh << QByteArray("test ! -e /dev/fd/$1") << QByteArray() << false << 0 << 0;
    QTest::newRow("signals at their defaults")
        << sh << QByteArray("grep -q '^SigIgn:[[:space:]]*0*$' /proc/self/status") << QByteArray()
        << false << 0 << 0;
    QTest::newRow("missing program") << QByteArray("/nonexistent/program") << QByteArray()
                                     << QByteArray() << false << ENOENT << -1;
    QTest::newRow("not a program")
        << QByteArray("/dev/null") << QByteArray() << QByteArray() << false << EACCES << -1;
    QTest::newRow("missing directory")
        << sh << QByteArray("true") << QByteArray("/nonexistent") << false << ENOENT << -1;
}

void TestDesktopPlatform::spawnedProgramGetsItsSetup()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, workingDirectory);
    QFETCH(bool, inheritsPipe);
    QFETCH(int, error);
    QFETCH(int, exitStatus);

    int pipe[2];
    QCOMPARE(::pipe2(pipe, O_CLOEXEC), 0);
    const auto closePipe = qScopeGuard([&pipe] {
        ::close(pipe[0]);
        ::close(pipe[1]);
    });
    // Ours ignores SIGPIPE, as the companion does; the child must not inherit that.
    const auto restore =
        qScopeGuard([old = std::signal(SIGPIPE, SIG_IGN)] { std::signal(SIGPIPE, old); });
    ProcessSetup setup{workingDirectory.toStdString(), {}, {}};
    std::string seen = std::to_string(pipe[1]);
    if (inheritsPipe) {
        setup.inherited.push_back(pipe[1]);
        seen = std::to_string(FirstInheritedDescriptor);
    }
    const Result<pid_t> started =
        startProcess(program.toStdString(), {"-c", script.toStdString(), "sh", seen}, setup,
                     Error::What::EncoderNotStartable);
    QCOMPARE(started ? 0 : started.error().number, error);
    if (!started)
        return;
    const pid_t child = *started;
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), exitStatus);
}

// A companion that leaves still serves the clients that connected before, and refuses the
// ones after, which then start a companion of their own. Its socket lies in a runtime
// folder whose path is too long for a socket address.
void TestDesktopPlatform::leavingListenerTakesQueuedClients()
{
    QTemporaryDir base;
    const QString runtime = base.filePath(QString(120, u'r'));
    QVERIFY(QDir().mkpath(runtime));
    const std::string address = QFile::encodeName(runtime + "/session").toStdString();
    Result<UniqueFd> lock = lockSession(address);
    QVERIFY(lock);
    QCOMPARE(lockSession(address).error().number, EWOULDBLOCK);
    RequestListener listener;
    Result<UniqueFd> listening =
        listenOnUnixSocket(address + ".socket", Error::What::CompanionNotStartable);
    QVERIFY(listening);
    QVERIFY(listener.adopt(std::move(*listening), std::move(*lock),
                           QByteArray::fromStdString(address + ".socket")));

    const Result<UniqueFd> early =
        connectUnixSocket(address + ".socket", Error::What::CompanionNotStartable, Deadline(0ms));
    QVERIFY(early);
    QList<int> accepted;
    connect(&listener, &RequestListener::accepted,
            [&accepted](int client) { accepted.append(client); });
    listener.close();
    QCOMPARE(accepted.size(), 1);
    QVERIFY(
        !connectUnixSocket(address + ".socket", Error::What::CompanionNotStartable, Deadline(0ms)));
    QVERIFY(!QFile::exists(runtime + "/session.socket"));
    QVERIFY(lockSession(address));
    ::close(accepted.constFirst());
}

// Out of descriptors, the companion's listener waits for some to be free instead of trying
// to accept its waiting client over and over; then it accepts that client.
void TestDesktopPlatform::listenerOutOfDescriptors()
{
    QTemporaryDir runtime;
    const QByteArray path = QFile::encodeName(runtime.filePath("session.socket"));
    RequestListener listener;
    Result<UniqueFd> listening =
        listenOnUnixSocket(path.toStdString(), Error::What::CompanionNotStartable);
    QVERIFY(listening);
    QVERIFY(listener.adopt(std::move(*listening), UniqueFd(::open("/dev/null", O_RDONLY)), path));
    listener.watch();
    int accepted = 0;
    connect(&listener, &RequestListener::accepted, [&accepted](int client) {
        ::close(client);
        ++accepted;
    });
    const Result<UniqueFd> client =
        connectUnixSocket(path.toStdString(), Error::What::CompanionNotStartable, Deadline(0ms));
    QVERIFY(client);

    // Counts the listener's wake-ups. While descriptors are out, it calls nothing on the
    // objects it sees: the sanitizers' first look at an object's type needs a descriptor.
    struct AttemptCounter : QObject
    {
        const QObject *notifier;
        int attempts = 0;
        bool eventFilter(QObject *watched, QEvent *) override
        {
            attempts += watched == notifier;
            return false;
        }
    } counter;
    counter.notifier = listener.findChild<QSocketNotifier *>();
    QVERIFY(counter.notifier);
    qApp->installEventFilter(&counter);
    QEvent first(QEvent::User);
    QCoreApplication::sendEvent(&counter, &first);

    rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int next = ::dup(0);
    ::close(next);
    const rlimit low = {rlim_t(next) + 16, limit.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    QList<int> taken;
    for (int descriptor; (descriptor = ::dup(0)) >= 0;)
        taken.append(descriptor);
    QTest::qWait(300);
    qApp->removeEventFilter(&counter);
    for (const int descriptor : std::as_const(taken))
        ::close(descriptor);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);

    QCOMPARE(accepted, 0);
    QVERIFY2(counter.attempts <= 3, qPrintable(QString::number(counter.attempts)));
    QTRY_COMPARE(accepted, 1);
}

// A companion that is stopped, its queue of clients full, keeps nobody waiting past the
// deadline.
void TestDesktopPlatform::fullListenerIsGivenUpOn()
{
    QTemporaryDir runtime;
    const QByteArray path = QFile::encodeName(runtime.filePath("session.socket"));
    const UniqueFd listening(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), path.size());
    QCOMPARE(::bind(listening.get(), reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listening.get(), 1), 0);
    std::vector<UniqueFd> queued;
    for (;;) {
        Result<UniqueFd> client = connectUnixSocket(
            path.toStdString(), Error::What::CompanionNotStartable, Deadline(0ms));
        if (!client) {
            QCOMPARE(client.error().number, ETIMEDOUT);
            break;
        }
        queued.push_back(std::move(*client));
    }
    QVERIFY(!queued.empty());
    const Result<UniqueFd> late =
        connectUnixSocket(path.toStdString(), Error::What::CompanionNotStartable, Deadline(100ms));
    QVERIFY(!late);
    QCOMPARE(late.error().number, ETIMEDOUT);
}

// A batch's window that shows how its conversion ended draws nothing more: a window left
// open for hours must not keep the companion busy.
void TestDesktopPlatform::endedConversionWindowRestsStill_data()
{
    QTest::addColumn<int>("percent"); // -1: the encoder never told its progress
    QTest::addColumn<ConversionOutcome>("outcome");

    using Kind = ConversionOutcome::Kind;
    QTest::newRow("failed at once")
        << -1 << ConversionOutcome{Kind::Failed, Error{Error::What::EncoderExited, 1}};
    QTest::newRow("stopped halfway") << 50 << ConversionOutcome{Kind::Stopped};
    QTest::newRow("refused") << -1
                             << ConversionOutcome{Kind::Refused,
                                                  Error{Error::What::OutputLockBusy}};
}

void TestDesktopPlatform::endedConversionWindowRestsStill()
{
    QFETCH(int, percent);
    QFETCH(ConversionOutcome, outcome);

    struct Ended final : BatchControl
    {
        bool isRunning() const override { return false; }
        void stop() override {}
        void stop(std::size_t) override {}
        void windowClosed() override {}
    } control;
    const std::unique_ptr<WindowPart> part(orvalenMakeWindowPart("offscreen"));
    BatchView *view = part->showBatch(control);
    view->addConversion({u"/w", {u"/e", u"a.wav", u"a.mp3", {}}});
    auto *window = dynamic_cast<QWidget *>(view);
    const QScopeGuard close([window] { window->close(); });
    // Shown once its rows are in.
    QTRY_VERIFY(window->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(window));
    view->showProgress(0, percent < 0 ? std::nullopt : std::optional(percent), {u"a line"});
    view->showState(0, outcome);
    view->showEnd(true);
    QTest::qWait(100);

    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    QTest::qWait(300);
    qApp->removeEventFilter(&counter);
    QCOMPARE(counter.paints, 0);
}

QTEST_MAIN(TestDesktopPlatform)
#include "tst_desktopplatform.moc"
