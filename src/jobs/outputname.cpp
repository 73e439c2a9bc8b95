#include "outputname.h"

#include "platform/exitstatus.h"
#include "platform/platform.h"

std::optional<QString> deriveOutputName(const QString &input)
{
    if (input.size() < 4)
        return std::nullopt;
    return input.chopped(4) + QStringLiteral(".mp3");
}

std::optional<QString> makeoutputfn(Platform &platform, const QString &input)
{
    std::optional<QString> output = deriveOutputName(input);
    if (!output) {
        platform.messageBox(input + QStringLiteral(" : このファイルは処理できません。終了します"),
                            MessageStyle::Ok);
        platform.endProgram(ExitStatus::UnusableName);
    }
    return output;
}
