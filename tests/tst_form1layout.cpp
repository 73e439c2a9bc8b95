#include "dragdrop.h"
#include "form1fixture.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

namespace {

// A list's entries, in order.
QStringList entries(const QComboBox *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->itemText(i));
    return all;
}

} // namespace

class TestForm1Layout : public Form1Fixture
{
    Q_OBJECT

private slots:
    void window();
    void textsShown_data();
    void textsShown();
    void labelsFitOnOneLine_data();
    void labelsFitOnOneLine();
    void bitrateLabelOverTheList();
    void tabOrder();
    void typingCannotEnterTheLists();
    void dropOnInputBoxInsertsNothing_data();
    void dropOnInputBoxInsertsNothing();
};

void TestForm1Layout::window()
{
    QCOMPARE(form->windowTitle(), "Orvalen");
    QCOMPARE(form->size(), QSize(523, 246));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(QApplication::focusWidget(), form->findChild<QLineEdit *>("inputfn"));
    // IPAPGothic fits every label at 9 points; other Japanese fonts may need less.
    const QString family = QFontInfo(form->font()).family();
    if (QFontDatabase::families().contains("IPAPGothic")) {
        QCOMPARE(family, "IPAPGothic");
        QCOMPARE(form->font().pointSizeF(), 9.0);
    }
}

// The texts the user reads: a control's text, or a list's entries; rows named for controls.
void TestForm1Layout::textsShown_data()
{
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("Label1") << QStringList{"変換するファイル"};
    QTest::newRow("Command1") << QStringList{"参照..."};
    QTest::newRow("Label2") << QStringList{"出力されるmp3ファイル"};
    QTest::newRow("Label4") << QStringList{"ビットレート"};
    QTest::newRow("bpscmb") << QStringList{"64", "80", "96", "128", "160", "192", "256", "320"};
    QTest::newRow("Label5") << QStringList{"kbps"};
    QTest::newRow("monostecmb") << QStringList{"モノラル", "ステレオ"};
    QTest::newRow("Execute") << QStringList{"変換を開始する(&S)"};
    QTest::newRow("Label3") << QStringList{
        "※出力されるファイルは、音声のみになり、映像は失われます。"};
    QTest::newRow("Label6") << QStringList{
        "※このウィンドウにファイルをドラッグアンドドロップすると、即座に変換を開始します。"};
}

void TestForm1Layout::textsShown()
{
    QFETCH(QStringList, texts);

    const QWidget *control = form->findChild<QWidget *>(QTest::currentDataTag());
    QVERIFY(control);
    if (const auto *list = qobject_cast<const QComboBox *>(control))
        QCOMPARE(entries(list), texts);
    else
        QCOMPARE(QStringList{control->property("text").toString()}, texts);
}

void TestForm1Layout::labelsFitOnOneLine_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6"})
        QTest::newRow(name) << name;
}

void TestForm1Layout::labelsFitOnOneLine()
{
    QFETCH(QString, name);

    const auto *label = form->findChild<QLabel *>(name);
    const QFontMetrics metrics(label->font());
    const QRect ink = metrics.tightBoundingRect(label->text());
    QVERIFY2(ink.left() >= 0 && ink.right() < label->width() && metrics.height() <= label->height(),
             qPrintable(QStringLiteral("ink %1..%2 px, %3 px high in %4; box %5 × %6")
                            .arg(ink.left())
                            .arg(ink.right())
                            .arg(metrics.height())
                            .arg(QFontInfo(label->font()).family())
                            .arg(label->width())
                            .arg(label->height())));
    QVERIFY(!label->wordWrap());
}

void TestForm1Layout::bitrateLabelOverTheList()
{
    // The label's text reaches under the list: it must be drawn last, and not take clicks.
    auto *label = form->findChild<QLabel *>("Label4");
    auto *list = form->findChild<QComboBox *>("bpscmb");
    const QObjectList stacking = form->children();
    QVERIFY(stacking.indexOf(label) > stacking.indexOf(list));

    const QPoint overlap(label->geometry().right(), label->geometry().center().y());
    QCOMPARE(form->childAt(overlap), list);
}

void TestForm1Layout::tabOrder()
{
    const QStringList order{"inputfn", "Command1",   "outputfn", "Execute",
                            "bpscmb",  "monostecmb", "inputfn"};
    QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
    for (const QString &name : order.mid(1)) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
    for (auto name = order.crbegin() + 1; name != order.crend(); ++name) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), *name);
    }
}

void TestForm1Layout::typingCannotEnterTheLists()
{
    for (const char *name : {"bpscmb", "monostecmb"}) {
        auto *list = form->findChild<QComboBox *>(name);
        const QStringList shown = entries(list);
        list->setFocus();
        QTest::keyClicks(list, "9999xyz");
        QVERIFY2(shown.contains(list->currentText()), qPrintable(list->currentText()));
    }
}

void TestForm1Layout::dropOnInputBoxInsertsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QUrl>>("urls");

    QTest::newRow("text") << "dropped text" << QList<QUrl>{};
    QTest::newRow("file") << "" << QList<QUrl>{QUrl::fromLocalFile("/v/a.mp4")};
}

void TestForm1Layout::dropOnInputBoxInsertsNothing()
{
    QFETCH(QString, text);
    QFETCH(QList<QUrl>, urls);

    auto *inputfn = form->findChild<QLineEdit *>("inputfn");
    inputfn->setText("typed.mp4");
    QMimeData data;
    if (!text.isEmpty())
        data.setText(text);
    if (!urls.isEmpty())
        data.setUrls(urls);
    dragAndDrop(inputfn, data);
    QCOMPARE(inputfn->text(), "typed.mp4");
    QCOMPARE(form->findChild<QLineEdit *>("outputfn")->text(), "typed.mp3");
}

QTEST_MAIN(TestForm1Layout)
#include "moc_form1fixture.cpp"
#include "tst_form1layout.moc"
