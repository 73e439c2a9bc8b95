// The frames between the program and its companion, byte for byte as the previous version's
// programs (Qt's QDataStream, version Qt_6_0) write and read them: either side may be of
// that version.
#include "jobs/conversionrequest.h"
#include "rules/check.h"

namespace {

// Bytes written in hex digits; spaces between the fields only help the reader.
std::string hex(std::string_view digits)
{
    std::string bytes;
    std::size_t i = 0;
    while (i < digits.size()) {
        if (digits[i] == ' ') {
            ++i;
            continue;
        }
        bytes += static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16));
        i += 2;
    }
    return bytes;
}

// A frame of those fields: their length in front.
std::string framed(std::string_view fields)
{
    const std::string bytes = hex(fields);
    const auto length = static_cast<std::uint32_t>(bytes.size());
    return std::string{static_cast<char>(length >> 24), static_cast<char>(length >> 16),
                       static_cast<char>(length >> 8), static_cast<char>(length)} +
           bytes;
}

const ConversionReport NoReport{0xFFFF'FFFF, {ConversionOutcome::Kind::Refused}};

} // namespace

TEST(programMessagesAsWritten)
{
    struct Row
    {
        const char *name;
        ProgramMessage message;
        std::string bytes;
    };
    const Row rows[] = {
        {"hello", Hello{}, hex("00000005 04 00000002")},
        {"stop", StopRequest{}, hex("00000001 01")},
        {"note", BatchNote{u"あ"}, hex("00000007 03 00000002 3042")},
        {"request", ConversionRequest{u"/w", {u"e", u"i", u"o", {u"-vn"}}, true},
         hex("0000002A 00 00000004 002F0077 00000002 0065 00000002 0069 00000002 006F"
             " 00000001 00000006 002D0076006E 01")},
    };
    check::eachRow(rows, [](const Row &row) {
        CHECK_EQ(toFrame(row.message), row.bytes);
        std::string stream = row.bytes;
        const std::optional<ProgramMessage> read = takeProgramMessage(stream);
        CHECK(read && *read == row.message);
        CHECK(stream.empty());
    });
}

TEST(reportAsWritten)
{
    const Error cause{Error::What::RuntimeFolderUnusable, 13, u"/r"};
    const ConversionReport report{7,
                                  {ConversionOutcome::Kind::Refused,
                                   Error{Error::What::OutputLockUnavailable, 0, u"x", {cause}},
                                   u"m"}};
    const std::string bytes = hex("0000002D 02 00000007 01 01 0F 00000000 00000002 0078 00000001"
                                  " 0B 0000000D 00000004 002F0072 00000000 00000002 006D");
    CHECK_EQ(toFrame(report), bytes);
    std::string stream = bytes;
    CHECK(takeReport(stream) == report);
    CHECK(stream.empty());
}

TEST(programMessagesAsRead)
{
    struct Row
    {
        const char *name;
        std::string stream;
        std::optional<ProgramMessage> message;
        std::size_t bytesLeft;
    };
    const ProgramMessage unreadable = ConversionRequest{};
    const Row rows[] = {
        {"shorter than a length", hex("000000"), std::nullopt, 3},
        {"shorter than its length", hex("00000005 04 000000"), std::nullopt, 8},
        {"a whole frame, and a part of the next", framed("01") + hex("0000"), StopRequest{}, 2},
        {"a frame too short for its message", framed("04 000000"), unreadable, 0},
        {"a frame longer than its message", framed("04 00000002 00"), unreadable, 0},
        {"an absent text is empty", framed("03 FFFFFFFF"), BatchNote{}, 0},
        {"an odd text length",
         framed("00 00000003 002F 00000002 0065 00000002 0069 00000002 006F 00000000 00"),
         unreadable, 0},
        {"a text longer than the frame", framed("03 00000006 30423044"), unreadable, 0},
        {"frames of unknown types are skipped",
         framed("05 0102") + framed("FF") + framed("01") + framed("01"), StopRequest{}, 5},
        {"nothing but unknown frames", framed("05") + framed("80 00"), std::nullopt, 0},
    };
    check::eachRow(rows, [](const Row &row) {
        std::string stream = row.stream;
        CHECK(takeProgramMessage(stream) == row.message);
        CHECK_EQ(stream.size(), row.bytesLeft);
    });
}

TEST(reportsAsRead)
{
    struct Row
    {
        const char *name;
        std::string stream;
        ConversionReport report;
    };
    using Kind = ConversionOutcome::Kind;
    const Row rows[] = {
        // The previous version wrote a null text thus.
        {"an absent last message", framed("02 00000001 02 00 FFFFFFFF"), {1, {Kind::Succeeded}}},
        {"the last outcome", framed("02 00000001 04 00 00000000"), {1, {Kind::Stopped}}},
        {"an outcome past the last", framed("02 00000001 05 00 00000000"), NoReport},
        {"the last error kind",
         framed("02 00000001 01 01 1C FFFFFFFF 00000000 00000000 00000000"),
         {1, {Kind::Refused, Error{Error::What::InputIsFolder, -1}}}},
        {"an error kind past the last",
         framed("02 00000001 01 01 1D 00000000 00000000 00000000 00000000"), NoReport},
        {"a cause's kind past the last",
         framed("02 00000001 01 01 0F 00000000 00000000 00000001"
                " 1D 00000000 00000000 00000000 00000000"),
         NoReport},
        {"a cause with causes of its own",
         framed("02 00000001 01 01 0F 00000000 00000000 00000001"
                " 0B 00000000 00000000 00000001 00000000"),
         NoReport},
    };
    check::eachRow(rows, [](const Row &row) {
        std::string stream = row.stream;
        CHECK(takeReport(stream) == row.report);
        CHECK(stream.empty());
    });
}
