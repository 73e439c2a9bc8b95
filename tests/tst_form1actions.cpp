#include "form1fixture.h"
#include "jobs/encodercommand.h"
#include "window/dialogfilter.h"
#include "window/qttext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const std::u16string Encoder = u"/opt/orvalen/cores/ffmpeg";

} // namespace

class TestForm1Actions : public Form1Fixture
{
    Q_OBJECT

private slots:
    void defaultsAfterLoad();
    void chosenSettings_data();
    void chosenSettings();
    void outputFollowsTyping();
    void outputAfterDeleting_data();
    void outputAfterDeleting();
    void chosenFileReplacesInput();
    void cancelledDialogKeepsInput();
    void noOutputNameConvertsNothing();
    void everyClickStartsOneMore();
    void altSStartsFromAnywhere();
    void dialogFilter_data();
    void dialogFilter();

private:
    QLineEdit *box(const char *name) const { return form->findChild<QLineEdit *>(name); }
    QComboBox *list(const char *name) const { return form->findChild<QComboBox *>(name); }
    void clickStart() const
    {
        QTest::mouseClick(form->findChild<QPushButton *>("Execute"), Qt::LeftButton);
    }
};

void TestForm1Actions::defaultsAfterLoad()
{
    QCOMPARE(list("bpscmb")->currentIndex(), 3);
    QCOMPARE(list("monostecmb")->currentIndex(), 1);
    QTest::keyClicks(box("inputfn"), "/v/movie.mp4");
    clickStart();
    QCOMPARE(platform->launches, std::vector{encoderCall(Encoder, u"/v/movie.mp4", u"/v/movie.mp3",
                                                         2, u"128", PosixFileNames)});
}

void TestForm1Actions::chosenSettings_data()
{
    QTest::addColumn<int>("bitrateIndex");
    QTest::addColumn<int>("channelIndex");
    QTest::addColumn<QString>("bitrate");
    QTest::addColumn<qint16>("channels");

    QTest::newRow("mono") << 3 << 0 << "128" << qint16(1);
    QTest::newRow("320") << 7 << 1 << "320" << qint16(2);
    QTest::newRow("64 mono") << 0 << 0 << "64" << qint16(1);
}

void TestForm1Actions::chosenSettings()
{
    QFETCH(int, bitrateIndex);
    QFETCH(int, channelIndex);
    QFETCH(QString, bitrate);
    QFETCH(qint16, channels);

    list("bpscmb")->setCurrentIndex(bitrateIndex);
    list("monostecmb")->setCurrentIndex(channelIndex);
    box("inputfn")->setText("in.flv");
    clickStart();
    QCOMPARE(platform->launches, std::vector{encoderCall(Encoder, u"in.flv", u"in.mp3", channels,
                                                         toText(bitrate), PosixFileNames)});
}

void TestForm1Actions::outputFollowsTyping()
{
    // A dot is an extension's while it is in the file name, not once it is a folder's.
    const QString path = "/a.b/x.flac";
    const QStringList outputs{"",           "",           "",           "/a.mp3",
                              "/a.b/.mp3",  "/a.b/x.mp3", "/a.b/x.mp3", "/a.b/x.mp3",
                              "/a.b/x.mp3", "/a.b/x.mp3", "/a.b/x.mp3"};
    for (qsizetype typed = 0; typed < path.size(); ++typed) {
        QTest::keyClicks(box("inputfn"), path.mid(typed, 1));
        QCOMPARE(box("outputfn")->text(), outputs.at(typed));
    }
    QVERIFY(platform->messages.empty());
    QVERIFY(!platform->endedWith);
}

void TestForm1Actions::outputAfterDeleting_data()
{
    QTest::addColumn<bool>("allAtOnce");
    QTest::addColumn<QString>("output");

    QTest::newRow("select all, delete") << true << "";
    QTest::newRow("one character at a time") << false << "";
}

void TestForm1Actions::outputAfterDeleting()
{
    QFETCH(bool, allAtOnce);
    QFETCH(QString, output);

    QTest::keyClicks(box("inputfn"), "/v/movie.mp4");
    if (allAtOnce) {
        QTest::keySequence(box("inputfn"), QKeySequence::SelectAll);
        QTest::keyClick(box("inputfn"), Qt::Key_Delete);
    } else {
        while (!box("inputfn")->text().isEmpty())
            QTest::keyClick(box("inputfn"), Qt::Key_Backspace);
    }
    QCOMPARE(box("inputfn")->text(), "");
    QCOMPARE(box("outputfn")->text(), output);
}

void TestForm1Actions::chosenFileReplacesInput()
{
    box("inputfn")->setText("typed by hand.mp4");
    platform->files.push_back(u"/home/u/動画/clip.divx");
    QTest::mouseClick(form->findChild<QPushButton *>("Command1"), Qt::LeftButton);

    QCOMPARE(toQStringList(platform->dialogTitles), QStringList{"変換するファイルを選択"});
    QCOMPARE(platform->dialogFilters.size(), 1u);
    QVERIFY(
        startsWith(platform->dialogFilters[0], u"動画サイトでよく利用される形式(mp4,flv,divx) ("));
    QCOMPARE(box("inputfn")->text(), "/home/u/動画/clip.divx");
    QCOMPARE(box("outputfn")->text(), "/home/u/動画/clip.mp3");
}

void TestForm1Actions::cancelledDialogKeepsInput()
{
    box("inputfn")->setText("typed by hand.mp4");
    QTest::mouseClick(form->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(platform->dialogTitles.size(), 1u);
    QCOMPARE(box("inputfn")->text(), "typed by hand.mp4");
    QCOMPARE(box("outputfn")->text(), "typed by hand.mp3");
}

void TestForm1Actions::noOutputNameConvertsNothing()
{
    // The output box once held a name; a shorter input must not convert into it.
    QTest::keyClicks(box("inputfn"), "/v/movie.mp4");
    box("inputfn")->setText("ab");
    QCOMPARE(box("outputfn")->text(), "");
    clickStart();
    QVERIFY(platform->launches.empty());
    QCOMPARE(platform->messages.size(), 1u);
    QCOMPARE(platform->messages[0].style, MessageStyle::OkError);
    QCOMPARE(platform->messages[0].owner, form);
}

void TestForm1Actions::everyClickStartsOneMore()
{
    box("inputfn")->setText("a.mp4");
    clickStart();
    clickStart();
    QCOMPARE(platform->launches.size(), 2u);
    QCOMPARE(platform->launches[0], platform->launches[1]);
    // Each click is a batch of its own, seen started before the window takes the next one.
    QCOMPARE(platform->finishedBatches, 2);
}

void TestForm1Actions::altSStartsFromAnywhere()
{
    // The access key animates a click, which ends a moment later.
    box("inputfn")->setText("a.mp4");
    std::size_t clicks = 0;
    for (const char *name : {"inputfn", "outputfn", "bpscmb"}) {
        auto *control = form->findChild<QWidget *>(name);
        control->setFocus();
        QTest::keyClick(control, Qt::Key_S, Qt::AltModifier);
        ++clicks;
        QTRY_COMPARE(platform->launches.size(), clicks);
    }

    // Enter in a box presses no button.
    QTest::keyClick(box("inputfn"), Qt::Key_Return);
    QCOMPARE(platform->launches.size(), 3u);
}

void TestForm1Actions::dialogFilter_data()
{
    QTest::addColumn<QString>("pipeSeparated");
    QTest::addColumn<QString>("qtFilter");

    QTest::newRow("one entry") << "Movies(mp4)|*.mp4"
                               << "Movies(mp4) (*.mp4)";
    QTest::newRow("all files matches names without a dot") << "All|*.*"
                                                           << "All (*)";
    QTest::newRow("entries keep their order") << "B|*.b;*.bb|A|*.a"
                                              << "B (*.b *.bb);;A (*.a)";
    QTest::newRow("program's own filter")
        << "動画サイトでよく利用される形式(mp4,flv,divx)|*.mp4;*.flv;*.divx|"
           "各種動画形式(mp4,flv,wmv,mpg,asf,mov,divx,avi)|"
           "*.mp4;*.flv;*.wmv;*.mpg;*.asf;*.mov;*.divx;*.avi|"
           "音声圧縮形式(wav,m4a,3gp,wma,aif,aiff,m4r)|*.wav;*.m4a;*.3gp;*.wma;*.aif;*.aiff;*.m4r|"
           "すべてのファイル|*.*"
        << "動画サイトでよく利用される形式(mp4,flv,divx) (*.mp4 *.flv *.divx);;"
           "各種動画形式(mp4,flv,wmv,mpg,asf,mov,divx,avi) "
           "(*.mp4 *.flv *.wmv *.mpg *.asf *.mov *.divx *.avi);;"
           "音声圧縮形式(wav,m4a,3gp,wma,aif,aiff,m4r) (*.wav *.m4a *.3gp *.wma *.aif *.aiff *.m4r);;"
           "すべてのファイル (*)";
}

void TestForm1Actions::dialogFilter()
{
    QFETCH(QString, pipeSeparated);
    QFETCH(QString, qtFilter);

    QCOMPARE(toQtFileDialogFilter(pipeSeparated), qtFilter);
}

QTEST_MAIN(TestForm1Actions)
#include "moc_form1fixture.cpp"
#include "tst_form1actions.moc"
