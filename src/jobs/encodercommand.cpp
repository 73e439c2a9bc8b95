#include "encodercommand.h"

std::u16string encoderPath(const std::u16string &programDirectory)
{
    return programDirectory + u"/cores/ffmpeg";
}

EncoderCall encoderCall(const std::u16string &encoder, const std::u16string &input,
                        const std::u16string &output, int channels, const std::u16string &bitrate)
{
    return {encoder,
            encoderFileName(input),
            encoderFileName(output),
            {u"-vn", u"-ac", decimal(channels), u"-ar", u"44100", u"-ab", bitrate + u'k'}};
}

std::u16string encoderFileName(const std::u16string &name)
{
    const std::size_t colon = name.find(u':');
    const std::size_t slash = name.find(u'/');
    const bool protocol = colon != name.npos && (slash == name.npos || colon < slash);
    if (startsWith(name, u"-") || protocol)
        return u"./" + name;
    return name;
}
