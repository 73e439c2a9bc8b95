#include "encodercommand.h"

namespace {

// "C:" at the start of a name: the drive, where drives have letters.
bool startsWithDrive(const std::u16string &name, const FileNameStyle &style)
{
    const char16_t letter = name.empty() ? u'\0' : (name[0] | 0x20);
    return style.driveLetters && name.size() >= 2 && name[1] == u':' && letter >= u'a' &&
           letter <= u'z';
}

} // namespace

std::u16string encoderPath(const std::u16string &programDirectory, const FileNameStyle &style)
{
    return programDirectory + std::u16string(style.encoderBelowProgram);
}

EncoderCall encoderCall(const std::u16string &encoder, const std::u16string &input,
                        const std::u16string &output, int channels, const std::u16string &bitrate,
                        const FileNameStyle &style)
{
    return {encoder,
            encoderFileName(input, style),
            encoderFileName(output, style),
            {u"-vn", u"-ac", decimal(channels), u"-ar", u"44100", u"-ab", bitrate + u'k'}};
}

std::u16string encoderFileName(const std::u16string &name, const FileNameStyle &style)
{
    const std::size_t colon = name.find(u':');
    const std::size_t separator = name.find_first_of(style.separators);
    const bool protocol = colon != name.npos && (separator == name.npos || colon < separator) &&
                          !startsWithDrive(name, style);
    if (startsWith(name, u"-") || protocol)
        return u'.' + (style.separators.front() + name);
    return name;
}
