#include "argumenttext.h"

std::u16string argumentText(std::u16string_view commandLine)
{
    std::size_t end = 0;
    if (commandLine.starts_with(u'"')) {
        end = commandLine.find(u'"', 1);
        end = end == commandLine.npos ? commandLine.size() : end + 1;
    } else {
        end = std::min(commandLine.find_first_of(u" \t"), commandLine.size());
    }
    const std::size_t arguments = commandLine.find_first_not_of(u" \t", end);
    return arguments == commandLine.npos ? std::u16string()
                                         : std::u16string(commandLine.substr(arguments));
}
