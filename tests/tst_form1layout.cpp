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
    void underscoresShown_data();
    void underscoresShown();
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
    // IPAPGothic fits every label at 9 points; other Japanese fonts may need less. In a
    // Japanese session the family goes by its Japanese name.
    const QString family = QFontInfo(form->font()).family();
    if (QFontDatabase::hasFamily("IPAPGothic")) {
        QCOMPARE(family, QFontInfo(QFont("IPAPGothic")).family());
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

// The part of a label's box, in the window, that no other control covers along the line
// where the label draws its text.
QRect uncoveredPart(const QLabel *label, const QRect &line)
{
    const QWidget *window = label->parentWidget();
    QRect part = label->geometry() & window->rect();
    for (const QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<const QLabel *>(other) && other->isVisible() &&
            other->geometry().intersects(line))
            part.setRight(std::min(part.right(), other->x() - 1));
    }
    return part;
}

// Every character is drawn where the user sees it: the last one's box lies inside the window
// and under no other control.
void TestForm1Layout::labelsFitOnOneLine()
{
    QFETCH(QString, name);

    const auto *label = form->findChild<QLabel *>(name);
    const QFontMetrics metrics(label->font());
    const QString text = label->text();
    const QRect line =
        label->style()
            ->itemTextRect(metrics, label->contentsRect(), label->alignment(), true, text)
            .translated(label->pos());
    const QRect ink = metrics.boundingRect(text.back());
    const QRect lastCharacter(line.left() + metrics.horizontalAdvance(text.chopped(1)) + ink.left(),
                              line.top(), ink.width(), line.height());
    const QRect uncovered = uncoveredPart(label, line);
    QVERIFY2(
        uncovered.contains(lastCharacter),
        qPrintable(QStringLiteral("last character at %1..%2 px wide, %3..%4 px high in %5 %6 pt; "
                                  "uncovered %7..%8 px wide, %9..%10 px high")
                       .arg(lastCharacter.left())
                       .arg(lastCharacter.right())
                       .arg(lastCharacter.top())
                       .arg(lastCharacter.bottom())
                       .arg(QFontInfo(label->font()).family())
                       .arg(label->font().pointSizeF())
                       .arg(uncovered.left())
                       .arg(uncovered.right())
                       .arg(uncovered.top())
                       .arg(uncovered.bottom())));
    QVERIFY(metrics.tightBoundingRect(text).left() >= 0);
    QVERIFY(!label->wordWrap());
}

void TestForm1Layout::bitrateLabelOverTheList()
{
    // The list covers the end of the label's box: the label is drawn last, and takes no clicks.
    auto *label = form->findChild<QLabel *>("Label4");
    auto *list = form->findChild<QComboBox *>("bpscmb");
    const QObjectList stacking = form->children();
    QVERIFY(stacking.indexOf(label) > stacking.indexOf(list));

    const QPoint overlap(label->geometry().right(), label->geometry().center().y());
    QCOMPARE(form->childAt(overlap), list);
}

void TestForm1Layout::underscoresShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("inputfn") << "inputfn";
    QTest::newRow("outputfn") << "outputfn";
}

// A name of underscores must not look like one of spaces.
void TestForm1Layout::underscoresShown()
{
    QFETCH(QString, name);

    auto *box = form->findChild<QLineEdit *>(name);
    const auto look = [box](const QString &text) {
        box->setText(text);
        box->setCursorPosition(0);
        return box->grab().toImage();
    };
    QVERIFY(look(QString(20, u'_')) != look(QString(20, u' ')));
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
