#include "fakeplatform.h"
#include "window/form1.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

class TestForm1Layout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void labelsFitOnOneLine_data();
    void labelsFitOnOneLine();
    void bitrateLabelOverTheList();
    void tabOrder();
    void listEntries_data();
    void listEntries();
    void typingCannotEnterTheLists();
    void outputBoxIsReadOnly();
    void dropOnInputBoxInsertsNothing_data();
    void dropOnInputBoxInsertsNothing();

private:
    FakePlatform *platform = nullptr;
    Form1 *form = nullptr;
};

void TestForm1Layout::init()
{
    platform = new FakePlatform;
    platform->answers.append(MessageAnswer::Cancel);
    form = new Form1(*platform);
    form->showCentered();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

void TestForm1Layout::cleanup()
{
    delete form;
    delete platform;
}

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
    QVERIFY(form->font().pointSizeF() >= 6 && form->font().pointSizeF() <= 9);
}

void TestForm1Layout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("Label1") << "Label1"
                            << "QLabel"
                            << "変換するファイル" << QRect(8, 16, 185, 17);
    QTest::newRow("inputfn") << "inputfn"
                             << "QLineEdit"
                             << "" << QRect(8, 32, 425, 25);
    QTest::newRow("Command1") << "Command1"
                              << "QPushButton"
                              << "参照..." << QRect(440, 32, 81, 25);
    QTest::newRow("Label2") << "Label2"
                            << "QLabel"
                            << "出力されるmp3ファイル" << QRect(8, 72, 137, 17);
    QTest::newRow("outputfn") << "outputfn"
                              << "QLineEdit"
                              << "" << QRect(8, 88, 425, 25);
    QTest::newRow("Label4") << "Label4"
                            << "QLabel"
                            << "ビットレート" << QRect(8, 128, 65, 17);
    QTest::newRow("bpscmb") << "bpscmb"
                            << "QComboBox"
                            << "128" << QRect(64, 128, 121, 20);
    QTest::newRow("Label5") << "Label5"
                            << "QLabel"
                            << "kbps" << QRect(192, 128, 25, 17);
    QTest::newRow("monostecmb") << "monostecmb"
                                << "QComboBox"
                                << "ステレオ" << QRect(240, 128, 113, 20);
    QTest::newRow("Execute") << "Execute"
                             << "QPushButton"
                             << "変換を開始する(&S)" << QRect(376, 192, 137, 33);
    QTest::newRow("Label3") << "Label3"
                            << "QLabel"
                            << "※出力されるファイルは、音声のみになり、映像は失われます。"
                            << QRect(0, 216, 321, 17);
    QTest::newRow("Label6")
        << "Label6"
        << "QLabel"
        << "※このウィンドウにファイルをドラッグアンドドロップすると、即座に変換を開始します。"
        << QRect(0, 232, 433, 17);
}

void TestForm1Layout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    auto *control = form->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->metaObject()->className(), kind);
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isVisible());
    QVERIFY(control->isEnabled());
    QCOMPARE(control->font(), form->font());
    QCOMPARE(control->font().weight(), QFont::Normal);
    QVERIFY(!control->font().italic() && !control->font().underline());

    if (auto *label = qobject_cast<QLabel *>(control)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    } else if (auto *button = qobject_cast<QPushButton *>(control)) {
        QCOMPARE(button->text(), text);
        QVERIFY(!button->isDefault() && !button->autoDefault());
    } else if (auto *box = qobject_cast<QLineEdit *>(control)) {
        QCOMPARE(box->text(), text);
    } else if (auto *list = qobject_cast<QComboBox *>(control)) {
        QCOMPARE(list->currentText(), text);
    }
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

void TestForm1Layout::listEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("bpscmb") << "bpscmb"
                            << QStringList{"64", "80", "96", "128", "160", "192", "256", "320"};
    QTest::newRow("monostecmb") << "monostecmb" << QStringList{"モノラル", "ステレオ"};
}

void TestForm1Layout::listEntries()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);

    const auto *list = form->findChild<QComboBox *>(name);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown.append(list->itemText(i));
    QCOMPARE(shown, entries);
    QVERIFY(!list->isEditable());
}

void TestForm1Layout::typingCannotEnterTheLists()
{
    for (const char *name : {"bpscmb", "monostecmb"}) {
        auto *list = form->findChild<QComboBox *>(name);
        const QStringList entries = [list] {
            QStringList all;
            for (int i = 0; i < list->count(); ++i)
                all.append(list->itemText(i));
            return all;
        }();
        list->setFocus();
        QTest::keyClicks(list, "9999xyz");
        QVERIFY2(entries.contains(list->currentText()), qPrintable(list->currentText()));
    }
}

void TestForm1Layout::outputBoxIsReadOnly()
{
    auto *outputfn = form->findChild<QLineEdit *>("outputfn");
    outputfn->setFocus();
    QTest::keyClicks(outputfn, "typed");
    QCOMPARE(outputfn->text(), "");
    QVERIFY(outputfn->isReadOnly());
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
    const QPoint middle = inputfn->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(inputfn, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(inputfn, &drop);
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(inputfn->text(), "typed.mp4");
    QCOMPARE(form->findChild<QLineEdit *>("outputfn")->text(), "typed.mp3");
}

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
