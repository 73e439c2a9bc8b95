#include "outputname.h"

#include "exitstatus.h"
#include "platform.h"

namespace {

// Where the extension of the path's file name starts: at its last dot, unless that dot only
// leads the name (".hidden", "..x") or belongs to a folder ("/a.b/c"). Nothing without one.
std::optional<std::size_t> extensionDot(const std::u16string &path, const FileNameStyle &style)
{
    const std::size_t separator = path.find_last_of(style.separators);
    const std::size_t nameStart = separator == path.npos ? 0 : separator + 1;
    const std::size_t stemStart = std::min(path.find_first_not_of(u'.', nameStart), path.size());
    const std::size_t dot = path.rfind(u'.');
    if (dot == path.npos || dot < stemStart)
        return std::nullopt;
    return dot;
}

} // namespace

std::optional<std::u16string> deriveOutputName(const std::u16string &input,
                                               const FileNameStyle &style)
{
    if (input.size() < 4)
        return std::nullopt;
    const std::optional<std::size_t> dot = extensionDot(input, style);
    return input.substr(0, dot.value_or(input.size())) + u".mp3";
}

std::optional<std::u16string> makeoutputfn(Platform &platform, const BoxOwner *window,
                                           const std::u16string &input)
{
    std::optional<std::u16string> output = deriveOutputName(input, platform.fileNameStyle());
    if (!output) {
        platform.messageBox(window, input + u" : このファイルは処理できません。終了します",
                            MessageStyle::Ok);
        platform.endProgram(ExitStatus::UnusableName);
    }
    return output;
}
