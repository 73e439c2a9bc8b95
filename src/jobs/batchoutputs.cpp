#include "batchoutputs.h"

bool BatchOutputs::take(const std::u16string &input, const std::u16string &output)
{
    if (!taken.insert(output).second) {
        clashes.push_back({input, output});
        return false;
    }
    return true;
}

std::u16string BatchOutputs::clashReport() const
{
    std::u16string report =
        u"次のファイルは、出力ファイルが先のファイルと同じになるため変換しませんでした。";
    for (const Clash &clash : clashes)
        report += u'\n' + clash.input + u" → " + clash.output;
    return report;
}
