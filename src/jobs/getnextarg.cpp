#include "getnextarg.h"

std::u16string getnextarg(std::u16string_view text, std::size_t &position)
{
    const std::size_t length = text.size();
    if (position > length)
        return {};

    std::u16string token;
    bool quoted = false;
    std::size_t i = position - 1;
    while (i < length) {
        const char16_t c = text[i];
        if (c == u'"' && quoted && i + 1 < length && text[i + 1] == u'"') {
            token += u'"';
            i += 2;
        } else if (c == u'"') {
            quoted = !quoted;
            ++i;
        } else if (c == u' ' && !quoted) {
            break;
        } else {
            token += c;
            ++i;
        }
    }
    while (i < length && text[i] == u' ')
        ++i;
    position = i + 1;
    return token;
}

namespace {

std::u16string quotedIfNeeded(const std::u16string &argument)
{
    const bool needsQuotes = argument.empty() || argument.find_first_of(u" \"") != argument.npos;
    if (!needsQuotes)
        return argument;
    std::u16string quoted = u"\"";
    for (const char16_t c : argument)
        quoted += c == u'"' ? std::u16string_view(u"\"\"") : std::u16string_view(&c, 1);
    return quoted + u'"';
}

} // namespace

std::u16string joinArguments(const TextList &arguments)
{
    TextList written;
    written.reserve(arguments.size());
    for (const std::u16string &argument : arguments)
        written.push_back(quotedIfNeeded(argument));
    return joined(written, u" ");
}
