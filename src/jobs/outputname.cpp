#include "outputname.h"

#include "exitstatus.h"
#include "platform.h"

namespace {

// Where the extension of the path's file name starts: at its last dot, unless that dot only
// leads the name (".hidden", "..x") or belongs to a folder ("/a.b/c"). Nothing without one.
std::optional<qsizetype> extensionDot(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    qsizetype stemStart = nameStart;
    while (stemStart < path.size() && path.at(stemStart) == u'.')
        ++stemStart;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < stemStart)
        return std::nullopt;
    return dot;
}

} // namespace

std::optional<QString> deriveOutputName(const QString &input)
{
    if (input.size() < 4)
        return std::nullopt;
    const std::optional<qsizetype> dot = extensionDot(input);
    return (dot ? input.first(*dot) : input) + QStringLiteral(".mp3");
}

std::optional<QString> makeoutputfn(Platform &platform, QWidget *window, const QString &input)
{
    std::optional<QString> output = deriveOutputName(input);
    if (!output) {
        platform.messageBox(window,
                            input + QStringLiteral(" : このファイルは処理できません。終了します"),
                            MessageStyle::Ok);
        platform.endProgram(ExitStatus::UnusableName);
    }
    return output;
}
