#include "devicename.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

std::u16string asciiUppercase(std::u16string_view text)
{
    std::u16string upper(text);
    for (char16_t &c : upper) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return upper;
}

// COM and LPT take the digits 1 to 9, and the superscripts ¹ ² ³.
bool isPortNumber(char16_t c)
{
    return (c >= u'1' && c <= u'9') || c == u'¹' || c == u'²' || c == u'³';
}

} // namespace

bool isDeviceName(std::u16string_view fileName)
{
    std::u16string_view stem = fileName.substr(0, fileName.find(u'.'));
    while (!stem.empty() && stem.back() == u' ')
        stem.remove_suffix(1);
    const std::u16string upper = asciiUppercase(stem);
    static constexpr std::array<std::u16string_view, 6> devices{u"CON", u"PRN",    u"AUX",
                                                                u"NUL", u"CONIN$", u"CONOUT$"};
    if (std::ranges::find(devices, upper) != devices.end())
        return true;
    return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
           isPortNumber(upper[3]);
}

std::u16string_view lastPathPart(std::u16string_view path)
{
    const std::size_t separator = path.find_last_of(u"\\/:");
    return separator == path.npos ? path : path.substr(separator + 1);
}
