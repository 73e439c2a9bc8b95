#include "jobs/getnextarg.h"

#include <QTest>

namespace {

// Every name of the text, calling getnextarg until it has passed the text's end.
QStringList allNames(const QString &text)
{
    QStringList names;
    qsizetype position = 1;
    while (position <= text.size())
        names.append(getnextarg(text, position));
    return names;
}

} // namespace

class TestGetnextarg : public QObject
{
    Q_OBJECT

private slots:
    void positions_data();
    void positions();
    void names_data();
    void names();
    void veryLongTexts();
    void joinedArgumentsComeBackWhole_data();
    void joinedArgumentsComeBackWhole();
};

void TestGetnextarg::positions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qsizetype>>("positions");

    QTest::newRow("two spaces between")
        << "abc  def" << QStringList{"abc", "def", "", ""} << QList<qsizetype>{6, 9, 9, 9};
    QTest::newRow("one space between")
        << "a b" << QStringList{"a", "b", ""} << QList<qsizetype>{3, 4, 4};
    QTest::newRow("empty text") << "" << QStringList{"", ""} << QList<qsizetype>{1, 1};
    QTest::newRow("quoted name") << "\"a b\" c" << QStringList{"a b", "c", ""}
                                 << QList<qsizetype>{7, 8, 8};
}

void TestGetnextarg::positions()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QFETCH(QList<qsizetype>, positions);

    qsizetype position = 1;
    for (qsizetype call = 0; call < names.size(); ++call) {
        QCOMPARE(getnextarg(text, position), names.at(call));
        QCOMPARE(position, positions.at(call));
    }
}

void TestGetnextarg::names_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("a run of spaces is one separator")
        << "a.mp4     b.mp4" << QStringList{"a.mp4", "b.mp4"};
    QTest::newRow("a tab belongs to the name")
        << "a.mp4\tb.mp4 c" << QStringList{"a.mp4\tb.mp4", "c"};
    QTest::newRow("quoted path with spaces")
        << R"("C:\My Videos\a.mp4" b.mp4)" << QStringList{R"(C:\My Videos\a.mp4)", "b.mp4"};
    QTest::newRow("quoted name without spaces") << R"("a.mp4")" << QStringList{"a.mp4"};
    QTest::newRow("spaces kept at a quoted stretch's ends")
        << R"(" a.mp4 " b)" << QStringList{" a.mp4 ", "b"};
    QTest::newRow("quoted stretch inside a name")
        << R"(my" "clip.mp4 x)" << QStringList{"my clip.mp4", "x"};
    QTest::newRow("doubled quote inside quotes")
        << R"("say ""hi"".mp4")" << QStringList{R"(say "hi".mp4)"};
    QTest::newRow("empty quotes outside a stretch vanish") << R"(a""b)" << QStringList{"ab"};
    QTest::newRow("empty quoted names") << R"("" "")" << QStringList{"", ""};
    QTest::newRow("unclosed quote runs to the end") << R"(x "a b  c)" << QStringList{"x", "a b  c"};
    QTest::newRow("Japanese names") << "動画 音声.wav" << QStringList{"動画", "音声.wav"};
}

void TestGetnextarg::names()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);

    QCOMPARE(allNames(text), names);
}

void TestGetnextarg::veryLongTexts()
{
    // Far beyond 16-bit positions: one huge name, and very many names.
    const QString hugeName(100'000, u'x');
    QCOMPARE(allNames(hugeName + " b"), (QStringList{hugeName, "b"}));

    QStringList many;
    for (int i = 0; i < 40'000; ++i)
        many.append(QStringLiteral("file%1.mp4").arg(i));
    QCOMPARE(allNames(many.join("  ")), many);
}

void TestGetnextarg::joinedArgumentsComeBackWhole_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("plain") << QStringList{"a.mp4", "b.mp4"};
    QTest::newRow("spaces") << QStringList{"my clip.mp4", " leading.mp4", "trailing.mp4 "};
    QTest::newRow("quotes") << QStringList{R"(say "hi".mp4)", R"(")", R"("quoted")"};
    QTest::newRow("shell characters") << QStringList{"$(touch x).mp4", "`id`.mp4", "a;b&c|d.mp4"};
    QTest::newRow("Japanese") << QStringList{"日本語 の ファイル.mp4"};
    QTest::newRow("empty and tab") << QStringList{"", "a\tb.mp4"};
}

void TestGetnextarg::joinedArgumentsComeBackWhole()
{
    QFETCH(QStringList, arguments);

    QCOMPARE(allNames(joinArguments(arguments)), arguments);
}

QTEST_GUILESS_MAIN(TestGetnextarg)
#include "tst_getnextarg.moc"
