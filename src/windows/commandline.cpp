#include "commandline.h"

namespace {

// Backslashes are plain unless a quote follows them: then each one is doubled, and the
// quote itself escaped by one more.
std::u16string quoted(const std::u16string &argument)
{
    if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == argument.npos)
        return argument;
    std::u16string out = u"\"";
    std::size_t backslashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, u'\\');
    return out + u'"';
}

} // namespace

std::u16string commandLine(const TextList &arguments)
{
    TextList quotedArguments;
    for (const std::u16string &argument : arguments)
        quotedArguments.push_back(quoted(argument));
    return joined(quotedArguments, u" ");
}
