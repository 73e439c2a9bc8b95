#include "outputname.h"

#include "exitstatus.h"
#include "platform.h"

std::optional<QString> deriveOutputName(const QString &input)
{
    if (input.size() < 4)
        return std::nullopt;
    qsizetype kept = input.size() - 4;
    if (kept > 0 && input.at(kept - 1).isHighSurrogate() && input.at(kept).isLowSurrogate())
        --kept;
    return input.first(kept) + QStringLiteral(".mp3");
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
