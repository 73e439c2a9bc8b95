// The session companion with its batches in windows: what closing one does to it and to
// the other batches.
#include "companionfixture.h"
#include "conversion/conversionhost.h"
#include "platform/windowpart.h"
#include "window/wrappedtext.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

extern "C" WindowPart *orvalenMakeWindowPart(const char *displayPlatform);

namespace {

// Writes its output, then waits for its input to appear before it succeeds.
constexpr char WaitingEncoder[] = R"(for last; do :; done
printf 'partial' > "$last"
while [ ! -e "$3" ]; do sleep 0.02; done
printf ' whole' >> "$last")";

constexpr int NoteLines = 8;

QDialog *newestBatchWindow(const QList<QDialog *> &known)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (dialog && dialog->isVisible() && !known.contains(dialog))
            return dialog;
    }
    return nullptr;
}

} // namespace

class TestBatchWindows : public QObject
{
    Q_OBJECT

private slots:
    void closingStopsOnlyItsBatch_data();
    void closingStopsOnlyItsBatch();
    void streamsWithoutRequestsAreForgotten();
    void desktopNoticeWithoutBusIsDone();
    void notesShownWhole_data();
    void notesShownWhole();
};

void TestBatchWindows::closingStopsOnlyItsBatch_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("window manager's close") << "close";
    QTest::newRow("すべて中止") << "stop all";
    QTest::newRow("中止 on its row") << "stop row";
}

// Two batches run, each in its window; one of them is stopped from its window while both
// run. Its encoders end and its outputs are never written, and the other batch completes.
void TestBatchWindows::closingStopsOnlyItsBatch()
{
    QFETCH(QString, how);

    QTemporaryDir work;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.filePath("runtime")));
    QVERIFY(
        QDir(work.path()).mkdir("runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const std::u16string encoder = writeEncoder(work.filePath("encoder.sh"), WaitingEncoder);
    const std::unique_ptr<WindowPart> part(orvalenMakeWindowPart("offscreen"));
    part->prepareEventLoop();
    ConversionHost host(ConversionHost::Presentation::Windows);
    host.watch(part.get());

    RequestClient stopped;
    RequestClient completed;
    QList<QDialog *> windows;
    for (RequestClient *client : {&stopped, &completed}) {
        const std::u16string name = client == &stopped ? u"stopped" : u"completed";
        host.serve(client->companionEnd());
        QVERIFY(client->send(ConversionRequest{
            utf16Of(work.path()), {encoder, name + u".go", name + u".mp3", {}}, true}));
        QTRY_COMPARE(client->latest(), ConversionOutcome::Kind::Started);
        QTRY_VERIFY(newestBatchWindow(windows));
        windows.append(newestBatchWindow(windows));
    }

    QPointer<QDialog> window = windows.constFirst();
    if (how == "close")
        window->close();
    else if (how == "stop all")
        window->findChild<QPushButton *>()->click();
    else
        window->findChild<QToolButton *>()->click();
    QTRY_COMPARE(stopped.latest(), ConversionOutcome::Kind::Stopped);
    if (how != "close")
        window->close();
    QTRY_VERIFY(!window);
    // What the batch asks for afterwards is stopped too.
    QVERIFY(stopped.send(
        ConversionRequest{utf16Of(work.path()), {encoder, u"later.go", u"later.mp3", {}}, true}));
    QTRY_COMPARE(stopped.reports().size(), 4);
    QCOMPARE(stopped.latest(), ConversionOutcome::Kind::Stopped);

    QVERIFY(QFile(work.filePath("completed.go")).open(QIODevice::WriteOnly));
    QTRY_COMPARE(completed.latest(), ConversionOutcome::Kind::Succeeded);
    QFile output(work.filePath("completed.mp3"));
    QVERIFY(output.open(QIODevice::ReadOnly));
    QCOMPARE(output.readAll(), "partial whole");
    // Nothing else is left beside the outputs: no output of the stopped batch, no temporary
    // folder.
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"completed.go", "completed.mp3", "encoder.sh", "runtime"}));
    stopped.closeStream();
    completed.closeStream();
    QTRY_VERIFY(host.isIdle());
}

// Streams that close before any request, or half way through one, show no window and leave
// nothing behind.
void TestBatchWindows::streamsWithoutRequestsAreForgotten()
{
    const std::unique_ptr<WindowPart> part(orvalenMakeWindowPart("offscreen"));
    part->prepareEventLoop();
    ConversionHost host(ConversionHost::Presentation::Windows);
    host.watch(part.get());
    RequestClient silent;
    RequestClient cut;
    host.serve(silent.companionEnd());
    host.serve(cut.companionEnd());
    QVERIFY(!host.isIdle());
    const std::string frame = toFrame(ConversionRequest{u"/", {u"/e", u"a.wav", u"a.mp3", {}}});
    QVERIFY(cut.send(QByteArrayView(frame).first(qsizetype(frame.size()) / 2)));
    silent.closeStream();
    cut.closeStream();
    QTRY_VERIFY(host.isIdle());
    QCOMPARE(newestBatchWindow({}), nullptr);
}

// The companion stays until its notice has gone; without a session bus that is at once.
void TestBatchWindows::desktopNoticeWithoutBusIsDone()
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    const std::unique_ptr<WindowPart> part(orvalenMakeWindowPart("offscreen"));
    part->prepareEventLoop();
    bool sent = false;
    part->notifyDesktop(u"変換が終わりました: 1個完了", [&sent] { sent = true; });
    QTRY_VERIFY(sent);
}

// A note or a reason is as tall as the lines it wraps into, up to the box's most lines; a
// longer one scrolls and shows its start.
void TestBatchWindows::notesShownWhole_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("scrolls");

    const QString reason = QStringLiteral("変換できません: 出力先のフォルダー /home/user/音楽/"
                                          "とても長い名前のフォルダー には書き込めません");
    QStringList names;
    for (int i = 1; i <= 33; ++i)
        names.append(QStringLiteral("名前_%1.wav").arg(i));
    QTest::newRow("one line") << QStringList{"変換しています。"} << false;
    QTest::newRow("a reason that wraps") << QStringList{reason} << false;
    QTest::newRow("as many lines as the box holds") << names.mid(0, NoteLines) << false;
    QTest::newRow("a wrapped line up to the limit")
        << QStringList{reason} + names.mid(0, NoteLines - 4) << false;
    QTest::newRow("a wrapped line past the limit")
        << QStringList{reason} + names.mid(0, NoteLines - 1) << true;
    QTest::newRow("33 names") << names << true;
}

void TestBatchWindows::notesShownWhole()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, scrolls);

    QWidget window;
    window.setFixedWidth(320);
    auto *notes = new WrappedText(NoteLines, &window);
    (new QVBoxLayout(&window))->addWidget(notes);
    notes->setText(lines.join(u'\n'));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QScrollBar *scrollBar = notes->verticalScrollBar();
    QCOMPARE(scrollBar->maximum() > 0, scrolls);
    QCOMPARE(scrollBar->value(), 0);
}

QTEST_MAIN(TestBatchWindows)
#include "tst_batchwindows.moc"
