#include "jobs/getnextarg.h"
#include "rules/check.h"

namespace {

// Every name of the text, calling getnextarg until it has passed the text's end.
TextList allNames(const std::u16string &text)
{
    TextList names;
    std::size_t position = 1;
    while (position <= text.size())
        names.push_back(getnextarg(text, position));
    return names;
}

} // namespace

TEST(positions)
{
    struct Row
    {
        const char *name;
        std::u16string text;
        TextList names;
        std::vector<std::size_t> positions;
    };
    const Row rows[] = {
        {"two spaces between", u"abc  def", {u"abc", u"def", u"", u""}, {6, 9, 9, 9}},
        {"one space between", u"a b", {u"a", u"b", u""}, {3, 4, 4}},
        {"empty text", u"", {u"", u""}, {1, 1}},
        {"quoted name", u"\"a b\" c", {u"a b", u"c", u""}, {7, 8, 8}},
    };
    check::eachRow(rows, [](const Row &row) {
        std::size_t position = 1;
        for (std::size_t call = 0; call < row.names.size(); ++call) {
            CHECK_EQ(getnextarg(row.text, position), row.names.at(call));
            CHECK_EQ(position, row.positions.at(call));
        }
    });
}

TEST(names)
{
    struct Row
    {
        const char *name;
        std::u16string text;
        TextList names;
    };
    const Row rows[] = {
        {"a run of spaces is one separator", u"a.mp4     b.mp4", {u"a.mp4", u"b.mp4"}},
        {"a tab belongs to the name", u"a.mp4\tb.mp4 c", {u"a.mp4\tb.mp4", u"c"}},
        {"quoted path with spaces",
         uR"("C:\My Videos\a.mp4" b.mp4)",
         {uR"(C:\My Videos\a.mp4)", u"b.mp4"}},
        {"quoted name without spaces", uR"("a.mp4")", {u"a.mp4"}},
        {"spaces kept at a quoted stretch's ends", uR"(" a.mp4 " b)", {u" a.mp4 ", u"b"}},
        {"quoted stretch inside a name", uR"(my" "clip.mp4 x)", {u"my clip.mp4", u"x"}},
        {"doubled quote inside quotes", uR"("say ""hi"".mp4")", {uR"(say "hi".mp4)"}},
        {"empty quotes outside a stretch vanish", uR"(a""b)", {u"ab"}},
        {"empty quoted names", uR"("" "")", {u"", u""}},
        {"unclosed quote runs to the end", uR"(x "a b  c)", {u"x", u"a b  c"}},
        {"Japanese names", u"動画 音声.wav", {u"動画", u"音声.wav"}},
    };
    check::eachRow(rows, [](const Row &row) { CHECK_EQ(allNames(row.text), row.names); });
}

TEST(veryLongTexts)
{
    // Far beyond 16-bit positions: one huge name, and very many names.
    const std::u16string hugeName(100'000, u'x');
    CHECK_EQ(allNames(hugeName + u" b"), (TextList{hugeName, u"b"}));

    TextList many;
    for (int i = 0; i < 40'000; ++i)
        many.push_back(u"file" + decimal(i) + u".mp4");
    CHECK_EQ(allNames(joined(many, u"  ")), many);
}

TEST(joinedArgumentsComeBackWhole)
{
    struct Row
    {
        const char *name;
        TextList arguments;
    };
    const Row rows[] = {
        {"plain", {u"a.mp4", u"b.mp4"}},
        {"spaces", {u"my clip.mp4", u" leading.mp4", u"trailing.mp4 "}},
        {"quotes", {uR"(say "hi".mp4)", uR"(")", uR"("quoted")"}},
        {"shell characters", {u"$(touch x).mp4", u"`id`.mp4", u"a;b&c|d.mp4"}},
        {"Japanese", {u"日本語 の ファイル.mp4"}},
        {"empty and tab", {u"", u"a\tb.mp4"}},
    };
    check::eachRow(rows, [](const Row &row) {
        CHECK_EQ(allNames(joinArguments(row.arguments)), row.arguments);
    });
}
