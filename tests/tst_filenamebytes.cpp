#include "jobs/filenamebytes.h"
#include "rules/check.h"

TEST(bothWays)
{
    struct Row
    {
        const char *name;
        std::string bytes;
        std::u16string name16;
    };
    const Row rows[] = {
        {"ASCII", "a.mp4", u"a.mp4"},
        {"three-byte UTF-8", "\xE3\x81\x82.wav", u"あ.wav"},
        {"four-byte UTF-8: a surrogate pair", "x\xF0\x9F\x8E\xB5", u"x\xD83C\xDFB5"},
        {"the last code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"a Latin-1 byte", "caf\xE9", u"caf\xDCE9"},
        {"an overlong form", "\xC0\xAF", u"\xDCC0\xDCAF"},
        {"an encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        {"past the last code point", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        {"a sequence cut short", "a\xE3\x81", u"a\xDCE3\xDC81"},
        {"a lone continuation byte", "\x80z", u"\xDC80z"},
    };
    check::eachRow(rows, [](const Row &row) {
        CHECK_EQ(fileNameFromBytes(row.bytes), row.name16);
        CHECK_EQ(fileNameToBytes(row.name16), row.bytes);
    });
}

// No name from the system holds these: they are written as "?", as the toolkit did.
TEST(loneSurrogatesAsQuestionMarks)
{
    struct Row
    {
        const char *name;
        std::u16string name16;
        std::string bytes;
    };
    const Row rows[] = {
        {"a high surrogate", u"a\xD800z", "a?z"},
        {"a high surrogate at the end", u"x\xD83C", "x?"},
        {"a pair the wrong way round", u"\xDFB5\xD83C", "??"},
        {"just below the escaped bytes", u"\xDC7F", "?"},
        {"just above the escaped bytes", u"\xDD00", "?"},
    };
    check::eachRow(rows, [](const Row &row) { CHECK_EQ(fileNameToBytes(row.name16), row.bytes); });
}

TEST(everyTwoBytesComeBack)
{
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const std::string bytes{static_cast<char>(first), static_cast<char>(second)};
            CHECK_EQ(fileNameToBytes(fileNameFromBytes(bytes)), bytes);
        }
    }
}
