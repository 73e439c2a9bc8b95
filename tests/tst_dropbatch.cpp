#include "dragdrop.h"
#include "form1fixture.h"
#include "jobs/encodercommand.h"
#include "jobs/filenamebytes.h"
#include "window/qttext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

namespace {

const std::u16string Encoder = u"/opt/orvalen/cores/ffmpeg";
const QString Question = "以上のファイルを変換開始しますか？";

QStringList numberedFiles(int count, const QString &extension = ".mp4")
{
    QStringList files;
    for (int i = 1; i <= count; ++i)
        files.append(QStringLiteral("/v/clip %1").arg(i) + extension);
    return files;
}

} // namespace

class TestDropBatch : public Form1Fixture
{
    Q_OBJECT

private slots:
    void fileLists_data();
    void fileLists();
    void tooManyFiles_data();
    void tooManyFiles();
    void declined();
    void otherDropsDoNothing_data();
    void otherDropsDoNothing();
    void windowSettingsApplyToEveryFile();
    void shortPathEndsTheProgramAtItsTurn();
    void boxesAreLeftAlone();
    void oneStemIsConvertedOnce();
    void droppedNamesKeepTheirBytes();

private:
    QWidget *target(const QString &name) const
    {
        return name == "Form1" ? form : form->findChild<QWidget *>(name);
    }
    // The drop returns before the batch asks anything; the batch runs from the event loop.
    void drop(const QMimeData &data, const QString &on = "Form1")
    {
        const std::size_t messagesBefore = platform->messages.size();
        dragAndDrop(target(on), data);
        QCOMPARE(platform->messages.size(), messagesBefore);
        QCoreApplication::processEvents();
    }
    void dropFiles(const QStringList &paths, const QString &on = "Form1")
    {
        QMimeData data;
        data.setUrls(fileUrls(paths));
        drop(data, on);
    }
};

void TestDropBatch::fileLists_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("outputs");

    const QStringList one{"/v/a.mp4"};
    const QStringList oneOutput{"/v/a.mp3"};
    QTest::newRow("one file on the window") << "Form1" << one << oneOutput;
    QTest::newRow("one file on the input box") << "inputfn" << one << oneOutput;
    QTest::newRow("one file on a label") << "Label6" << one << oneOutput;
    QTest::newRow("31 files") << "Form1" << numberedFiles(31) << numberedFiles(31, ".mp3");
    QTest::newRow("31 files on the input box")
        << "inputfn" << numberedFiles(31) << numberedFiles(31, ".mp3");
    // The companion refuses a folder; its name is derived all the same.
    QTest::newRow("a folder and other extensions")
        << "Form1" << QStringList{"/v/folder", "/v/b.flac", "/v/c.ts"}
        << QStringList{"/v/folder.mp3", "/v/b.mp3", "/v/c.mp3"};
    QTest::newRow("no file") << "Form1" << QStringList{} << QStringList{};
}

void TestDropBatch::fileLists()
{
    QFETCH(QString, target);
    QFETCH(QStringList, files);
    QFETCH(QStringList, outputs);

    dropFiles(files, target);

    QString listing;
    std::vector<EncoderCall> commands;
    for (qsizetype i = 0; i < files.size(); ++i) {
        listing += files[i] + "\r\n";
        commands.push_back(
            encoderCall(Encoder, toText(files[i]), toText(outputs[i]), 2, u"128", PosixFileNames));
    }
    QCOMPARE(platform->messages.size(), 1u);
    QCOMPARE(toQString(platform->messages[0].text), listing + Question);
    QCOMPARE(platform->messages[0].style, MessageStyle::OkCancelQuestion);
    QCOMPARE(platform->messages[0].owner, form);
    QCOMPARE(platform->launches, commands);
}

void TestDropBatch::tooManyFiles_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("32") << 32;
    QTest::newRow("100") << 100;
    QTest::newRow("40000") << 40'000;
}

void TestDropBatch::tooManyFiles()
{
    QFETCH(int, count);

    dropFiles(numberedFiles(count));
    QCOMPARE(platform->messages.size(), 1u);
    QCOMPARE(toQString(platform->messages[0].text), "32個以上のファイルは同時に処理できません");
    QCOMPARE(platform->messages[0].style, MessageStyle::OkError);
    QVERIFY(platform->launches.empty());
}

void TestDropBatch::declined()
{
    platform->answers.push_back(MessageAnswer::Cancel);
    dropFiles(numberedFiles(3));
    QCOMPARE(platform->messages.size(), 1u);
    QVERIFY(platform->launches.empty());
}

void TestDropBatch::otherDropsDoNothing_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QUrl>>("urls");

    QTest::newRow("text") << "Form1"
                          << "/v/a.mp4" << QList<QUrl>{};
    QTest::newRow("text on the input box") << "inputfn"
                                           << "/v/a.mp4" << QList<QUrl>{};
    QTest::newRow("web address") << "Form1"
                                 << "" << QList<QUrl>{QUrl("https://example.org/a.mp4")};
    QTest::newRow("files and a web address")
        << "inputfn"
        << "" << QList<QUrl>{QUrl::fromLocalFile("/v/a.mp4"), QUrl("https://example.org/b.mp4")};
}

void TestDropBatch::otherDropsDoNothing()
{
    QFETCH(QString, target);
    QFETCH(QString, text);
    QFETCH(QList<QUrl>, urls);

    QMimeData data;
    if (!text.isEmpty())
        data.setText(text);
    if (!urls.isEmpty())
        data.setUrls(urls);
    drop(data, target);
    QVERIFY(platform->messages.empty());
    QVERIFY(platform->launches.empty());
    QCOMPARE(form->findChild<QLineEdit *>("inputfn")->text(), "");
}

void TestDropBatch::windowSettingsApplyToEveryFile()
{
    form->findChild<QComboBox *>("monostecmb")->setCurrentIndex(0);
    form->findChild<QComboBox *>("bpscmb")->setCurrentIndex(0);
    dropFiles({"/v/a.mp4", "/v/b.wav"});
    QCOMPARE(
        platform->launches,
        (std::vector{encoderCall(Encoder, u"/v/a.mp4", u"/v/a.mp3", 1, u"64", PosixFileNames),
                     encoderCall(Encoder, u"/v/b.wav", u"/v/b.mp3", 1, u"64", PosixFileNames)}));
}

void TestDropBatch::shortPathEndsTheProgramAtItsTurn()
{
    // A relative URL gives a path of its own length.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/v/a.mp4"), QUrl::fromLocalFile("ab"),
                  QUrl::fromLocalFile("/v/c.mp4")});
    drop(data);
    QCOMPARE(toQStringList(platform->launchedInputs()), QStringList{"/v/a.mp4"});
    QCOMPARE(platform->messages.size(), 2u);
    QCOMPARE(toQString(platform->messages[1].text),
             "ab : このファイルは処理できません。終了します");
    QCOMPARE(platform->endedWith, 1);
    QCOMPARE(platform->callsAfterEnd, 0);
}

void TestDropBatch::boxesAreLeftAlone()
{
    auto *inputfn = form->findChild<QLineEdit *>("inputfn");
    auto *outputfn = form->findChild<QLineEdit *>("outputfn");
    inputfn->setText("/typed/x.mp4");
    dropFiles({"/v/a.mp4"}, "inputfn");
    dropFiles({"/v/b.mp4"});
    QCOMPARE(inputfn->text(), "/typed/x.mp4");
    QCOMPARE(outputfn->text(), "/typed/x.mp3");
    QCOMPARE(toQStringList(platform->launchedInputs()), (QStringList{"/v/a.mp4", "/v/b.mp4"}));
}

void TestDropBatch::oneStemIsConvertedOnce()
{
    dropFiles({"/v/song.m4a", "/v/b.mp4", "/v/song.wav"});
    QCOMPARE(toQStringList(platform->launchedInputs()), (QStringList{"/v/song.m4a", "/v/b.mp4"}));
    QCOMPARE(platform->messages.size(), 1u);
    QCOMPARE(platform->toldToBatch.size(), 1u);
    QVERIFY(endsWith(platform->toldToBatch[0], u"\n/v/song.wav → /v/song.mp3"));
    QCOMPARE(platform->toldAfterBatchEnd, 0);
}

void TestDropBatch::droppedNamesKeepTheirBytes()
{
    QMimeData data;
    data.setData("text/uri-list", "file:///music/caf%E9.wav\r\n"
                                  "file:///music/%EF%BB%BFsong.wav\r\n"
                                  "file:///music/a%20b%25.mp4\r\n");
    drop(data);
    QStringList expected;
    for (const std::string_view bytes :
         {"/music/caf\xe9.wav", "/music/\xef\xbb\xbfsong.wav", "/music/a b%.mp4"})
        expected.append(toQString(fileNameFromBytes(bytes)));
    QCOMPARE(toQStringList(platform->launchedInputs()), expected);
}

QTEST_MAIN(TestDropBatch)
#include "moc_form1fixture.cpp"
#include "tst_dropbatch.moc"
