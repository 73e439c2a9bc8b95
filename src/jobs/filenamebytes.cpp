#include "filenamebytes.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;

unsigned char byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<unsigned char>(bytes[i]);
}

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0 when there is
// none. Overlong forms, surrogates and code points above U+10FFFF are not well formed.
qsizetype sequenceLength(QByteArrayView bytes)
{
    const unsigned char lead = byteAt(bytes, 0);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
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
    for (qsizetype i = 2; i < length; ++i) {
        if ((byteAt(bytes, i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

char32_t codePoint(QByteArrayView sequence)
{
    static constexpr unsigned char LeadBits[] = {0x7F, 0x1F, 0x0F, 0x07};
    char32_t value = byteAt(sequence, 0) & LeadBits[sequence.size() - 1];
    for (qsizetype i = 1; i < sequence.size(); ++i)
        value = (value << 6) | (byteAt(sequence, i) & 0x3F);
    return value;
}

// A low surrogate that is not the second half of a pair stands for one raw byte.
bool isEscapedByte(QStringView name, qsizetype i)
{
    const char16_t unit = name[i].unicode();
    const bool secondHalf = i > 0 && name[i - 1].isHighSurrogate();
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF && !secondHalf;
}

} // namespace

QString fileNameFromBytes(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    while (!bytes.isEmpty()) {
        const qsizetype length = sequenceLength(bytes);
        if (length == 0) {
            name += QChar(EscapeBase + byteAt(bytes, 0));
            bytes = bytes.sliced(1);
            continue;
        }
        const char32_t value = codePoint(bytes.first(length));
        if (QChar::requiresSurrogates(value)) {
            name += QChar(QChar::highSurrogate(value));
            name += QChar(QChar::lowSurrogate(value));
        } else {
            name += QChar(static_cast<char16_t>(value));
        }
        bytes = bytes.sliced(length);
    }
    return name;
}

QByteArray fileNameToBytes(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name, i))
            continue;
        bytes += name.sliced(start, i - start).toUtf8();
        bytes += static_cast<char>(name[i].unicode() - EscapeBase);
        start = i + 1;
    }
    bytes += name.sliced(start).toUtf8();
    return bytes;
}
