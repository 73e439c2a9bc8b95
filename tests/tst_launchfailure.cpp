// What the program does when an encoder cannot be started, whichever way its conversions
// were started: it starts no more of that batch, still ends the batch of the ones handed
// over before, and shows one error box. The window stays; the command line ends with 2.
#include "dragdrop.h"
#include "form1fixture.h"
#include "jobs/commandlinebatch.h"
#include "window/qttext.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int WindowStays = -1; // no exit status: the window goes on

} // namespace

class TestLaunchFailure : public Form1Fixture
{
    Q_OBJECT

private slots:
    void batchStopsAtTheFailure_data();
    void batchStopsAtTheFailure();

private:
    // Converts the files the given way; the command line gives an exit status.
    std::optional<int> convert(const QString &way, const QStringList &files)
    {
        if (way == "start button") {
            form->findChild<QLineEdit *>("inputfn")->setText(files.first());
            QTest::mouseClick(form->findChild<QPushButton *>("Execute"), Qt::LeftButton);
        } else if (way == "drop on the input box") {
            QMimeData data;
            data.setUrls(fileUrls(files));
            dragAndDrop(form->findChild<QLineEdit *>("inputfn"), data);
            QCoreApplication::processEvents();
        } else {
            platform->givenArguments = toTextList(files);
            return convertCommandLineNames(*platform);
        }
        return std::nullopt;
    }
};

void TestLaunchFailure::batchStopsAtTheFailure_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QStringList>("launched"); // the launch after these fails
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("status");

    QTest::newRow("start button") << "start button" << QStringList{} << 1 << WindowStays;
    QTest::newRow("drop: the question, then the error")
        << "drop on the input box" << QStringList{"/v/a.mp4"} << 2 << WindowStays;
    QTest::newRow("command line") << "command line" << QStringList{"/v/a.mp4"} << 1 << 2;
}

void TestLaunchFailure::batchStopsAtTheFailure()
{
    QFETCH(QString, way);
    QFETCH(QStringList, launched);
    QFETCH(int, boxes);
    QFETCH(int, status);

    platform->launchesBeforeFailure = int(launched.size());
    QCOMPARE(convert(way, {"/v/a.mp4", "/v/b.mp4", "/v/c.mp4"}).value_or(WindowStays), status);
    QCOMPARE(toQStringList(platform->launchedInputs()), launched);
    QCOMPARE(platform->finishedBatches, 1);
    QCOMPARE(platform->messages.size(), std::size_t(boxes));
    QCOMPARE(platform->messages.back().style, MessageStyle::OkError);
    QCOMPARE(platform->messages.back().owner, way == "command line" ? nullptr : form);
    QVERIFY(!platform->endedWith);
    QVERIFY(form->isVisible());
}

QTEST_MAIN(TestLaunchFailure)
#include "moc_form1fixture.cpp"
#include "tst_launchfailure.moc"
