#include "conversionrequest.h"

#include <string_view>

namespace {

enum class MessageType : std::uint8_t
{
    Request,
    Stop,
    Report,
    Note,
    Hello,
    // Types from here on are a later version's, unknown to this one.
    Unknown
};

constexpr std::uint32_t NoRequest = 0xFFFF'FFFF;
// The length that an absent text is written with by the first version's programs.
constexpr std::uint32_t AbsentText = 0xFFFF'FFFF;

// Writes the fields of a frame: numbers big-endian, a flag as one byte, a text as its length
// in bytes and its UTF-16 units, each big-endian, a list as its count and its texts.
class FieldWriter
{
public:
    std::string bytes;

    void byte(std::uint8_t value) { bytes += static_cast<char>(value); }
    void flag(bool value) { byte(value ? 1 : 0); }

    void number(std::uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            byte(static_cast<std::uint8_t>(value >> shift));
    }

    void text(const std::u16string &value)
    {
        number(static_cast<std::uint32_t>(2 * value.size()));
        for (const char16_t unit : value) {
            byte(static_cast<std::uint8_t>(unit >> 8));
            byte(static_cast<std::uint8_t>(unit));
        }
    }

    void texts(const TextList &values)
    {
        number(static_cast<std::uint32_t>(values.size()));
        for (const std::u16string &value : values)
            text(value);
    }

    // An error, with the causes it has (which have none of their own).
    void error(const Error &value)
    {
        errorFields(value, value.causes.size());
        for (const Error &cause : value.causes)
            errorFields(cause, 0);
    }

    void error(const std::optional<Error> &value)
    {
        flag(value.has_value());
        if (value)
            error(*value);
    }

private:
    void errorFields(const Error &value, std::size_t causes)
    {
        byte(static_cast<std::uint8_t>(value.what));
        number(static_cast<std::uint32_t>(value.number));
        text(value.name);
        number(static_cast<std::uint32_t>(causes));
    }
};

// Reads the fields that FieldWriter wrote. Reading past the end, or a field that no writer
// writes, spoils the reader: what it reads then is of no use.
class FieldReader
{
public:
    explicit FieldReader(std::string_view fields) : rest(fields) {}

    bool isGood() const { return good; }
    bool atEnd() const { return rest.empty(); }
    void spoil() { good = false; }

    std::uint8_t byte()
    {
        if (rest.empty()) {
            spoil();
            return 0;
        }
        const auto value = static_cast<std::uint8_t>(rest.front());
        rest.remove_prefix(1);
        return value;
    }

    bool flag() { return byte() != 0; }

    std::uint32_t number()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return value;
    }

    std::u16string text()
    {
        const std::uint32_t length = number();
        if (length == AbsentText)
            return {};
        if (length % 2 != 0 || length > rest.size()) {
            spoil();
            return {};
        }
        std::u16string value(length / 2, u'\0');
        for (char16_t &unit : value) {
            const std::uint8_t high = byte();
            unit = static_cast<char16_t>(high << 8 | byte());
        }
        return value;
    }

    TextList texts()
    {
        TextList values;
        for (std::uint32_t count = number(); good && count > 0; --count)
            values.push_back(text());
        return values;
    }

    Error error(std::uint32_t *causes)
    {
        Error value{Error::What::MalformedRequest};
        const std::uint8_t what = byte();
        if (what > static_cast<std::uint8_t>(Error::What::InputIsFolder))
            spoil();
        value.what = static_cast<Error::What>(what);
        value.number = static_cast<std::int32_t>(number());
        value.name = text();
        *causes = number();
        return value;
    }

    Error error()
    {
        std::uint32_t causes = 0;
        Error value = error(&causes);
        // Each cause takes some bytes: a count past what the frame holds ends the reading.
        for (; good && causes > 0; --causes) {
            std::uint32_t none = 0;
            value.causes.push_back(error(&none));
            if (none != 0)
                spoil();
        }
        return value;
    }

    std::optional<Error> optionalError()
    {
        if (!flag() || !good)
            return std::nullopt;
        return error();
    }

private:
    std::string_view rest;
    bool good = true;
};

template <typename Write> std::string frame(MessageType type, Write writeFields)
{
    FieldWriter fields;
    fields.byte(static_cast<std::uint8_t>(type));
    writeFields(fields);
    FieldWriter header;
    header.number(static_cast<std::uint32_t>(fields.bytes.size()));
    return header.bytes + fields.bytes;
}

// The fields of the first whole frame, taken off the stream; nothing while it is incomplete.
std::optional<std::string> takeFields(std::string &stream)
{
    constexpr std::size_t HeaderSize = 4;
    if (stream.size() < HeaderSize)
        return std::nullopt;
    const std::uint32_t length = FieldReader(stream).number();
    if (stream.size() - HeaderSize < length)
        return std::nullopt;
    std::string fields = stream.substr(HeaderSize, length);
    stream.erase(0, HeaderSize + length);
    return fields;
}

// Takes whole frames off the stream until one of a known type: its fields.
std::optional<std::string> takeKnownFields(std::string &stream)
{
    for (;;) {
        std::optional<std::string> fields = takeFields(stream);
        if (!fields || fields->empty() ||
            static_cast<std::uint8_t>(fields->front()) < std::uint8_t(MessageType::Unknown))
            return fields;
    }
}

// Reads a message of the given type from its fields: whether they held one, and nothing more.
template <typename Read> bool readFields(const std::string &fields, MessageType type, Read read)
{
    FieldReader in(fields);
    if (in.byte() != static_cast<std::uint8_t>(type) || !in.isGood())
        return false;
    read(in);
    return in.isGood() && in.atEnd();
}

} // namespace

bool isWellFormed(const ConversionRequest &request)
{
    return !request.call.encoder.empty() && !request.call.input.empty() &&
           !request.call.output.empty() && startsWith(request.workingDirectory, u"/");
}

std::string toFrame(const ProgramMessage &message)
{
    if (std::holds_alternative<StopRequest>(message))
        return frame(MessageType::Stop, [](FieldWriter &) {});
    if (const auto *hello = std::get_if<Hello>(&message))
        return frame(MessageType::Hello, [hello](FieldWriter &out) { out.number(hello->version); });
    if (const auto *note = std::get_if<BatchNote>(&message))
        return frame(MessageType::Note, [note](FieldWriter &out) { out.text(note->text); });
    const auto &request = std::get<ConversionRequest>(message);
    return frame(MessageType::Request, [&request](FieldWriter &out) {
        out.text(request.workingDirectory);
        out.text(request.call.encoder);
        out.text(request.call.input);
        out.text(request.call.output);
        out.texts(request.call.options);
        out.flag(request.waited);
    });
}

std::string toFrame(const ConversionReport &report)
{
    return frame(MessageType::Report, [&report](FieldWriter &out) {
        out.number(report.request);
        out.byte(static_cast<std::uint8_t>(report.outcome.kind));
        out.error(report.outcome.error);
        out.text(report.outcome.lastMessage);
    });
}

std::optional<ProgramMessage> takeProgramMessage(std::string &stream)
{
    const std::optional<std::string> fields = takeKnownFields(stream);
    if (!fields)
        return std::nullopt;
    if (readFields(*fields, MessageType::Stop, [](FieldReader &) {}))
        return StopRequest{};
    Hello hello;
    if (readFields(*fields, MessageType::Hello,
                   [&hello](FieldReader &in) { hello.version = in.number(); }))
        return hello;
    BatchNote note;
    if (readFields(*fields, MessageType::Note, [&note](FieldReader &in) { note.text = in.text(); }))
        return note;
    ConversionRequest request;
    const bool read = readFields(*fields, MessageType::Request, [&request](FieldReader &in) {
        request.workingDirectory = in.text();
        request.call.encoder = in.text();
        request.call.input = in.text();
        request.call.output = in.text();
        request.call.options = in.texts();
        request.waited = in.flag();
    });
    return read ? request : ConversionRequest{};
}

std::optional<ConversionReport> takeReport(std::string &stream)
{
    const std::optional<std::string> fields = takeKnownFields(stream);
    if (!fields)
        return std::nullopt;
    const ConversionReport unknown{NoRequest, {ConversionOutcome::Kind::Refused}};
    ConversionReport report = unknown;
    std::uint8_t kind = 0;
    const bool read = readFields(*fields, MessageType::Report, [&](FieldReader &in) {
        report.request = in.number();
        kind = in.byte();
        report.outcome.error = in.optionalError();
        report.outcome.lastMessage = in.text();
    });
    if (!read || kind > static_cast<std::uint8_t>(ConversionOutcome::Kind::Stopped))
        return unknown;
    report.outcome.kind = static_cast<ConversionOutcome::Kind>(kind);
    return report;
}
