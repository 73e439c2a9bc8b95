#include "filenamebytes.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

unsigned char byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0 when there is
// none. Overlong forms, surrogates and code points above U+10FFFF are not well formed.
std::size_t sequenceLength(std::string_view bytes)
{
    const unsigned char lead = byteAt(bytes, 0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || byteAt(bytes, 1) < low || byteAt(bytes, 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byteAt(bytes, i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

char32_t codePoint(std::string_view sequence)
{
    static constexpr unsigned char LeadBits[] = {0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = byteAt(sequence, 0) & LeadBits[sequence.size() - 1];
    for (std::size_t i = 1; i < sequence.size(); ++i)
        value = (value << 6) | (byteAt(sequence, i) & 0x3F);
    return value;
}

void appendUtf16(std::u16string &name, char32_t value)
{
    if (value < 0x10000)
        return void(name += static_cast<char16_t>(value));
    value -= 0x10000;
    name += static_cast<char16_t>(0xD800 + (value >> 10));
    name += static_cast<char16_t>(EscapeBase + (value & 0x3FF));
}

void appendUtf8(std::string &bytes, char32_t value)
{
    if (value < 0x80)
        return void(bytes += static_cast<char>(value));
    // The lead byte holds the high bits after the length marker; each following byte, six.
    const int following = value < 0x800 ? 1 : value < 0x10000 ? 2 : 3;
    static constexpr unsigned char LeadMarks[] = {0, 0xC0, 0xE0, 0xF0};
    bytes += static_cast<char>(LeadMarks[following] | (value >> (6 * following)));
    for (int shift = 6 * (following - 1); shift >= 0; shift -= 6)
        bytes += static_cast<char>(0x80 | ((value >> shift) & 0x3F));
}

} // namespace

std::u16string fileNameFromBytes(std::string_view bytes)
{
    std::u16string name;
    name.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = sequenceLength(bytes);
        if (length == 0) {
            name += static_cast<char16_t>(EscapeBase + byteAt(bytes, 0));
            bytes.remove_prefix(1);
            continue;
        }
        appendUtf16(name, codePoint(bytes.substr(0, length)));
        bytes.remove_prefix(length);
    }
    return name;
}

std::string fileNameToBytes(std::u16string_view name)
{
    std::string bytes;
    bytes.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        const bool pair =
            isHighSurrogate(unit) && i + 1 < name.size() && isLowSurrogate(name[i + 1]);
        if (pair) {
            appendUtf8(bytes, 0x10000 + ((char32_t(unit) - 0xD800) << 10) +
                                  (char32_t(name[i + 1]) - EscapeBase));
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            bytes += static_cast<char>(unit - EscapeBase);
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            bytes += '?';
        } else {
            appendUtf8(bytes, unit);
        }
    }
    return bytes;
}
