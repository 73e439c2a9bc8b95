#include "batchoutputs.h"

bool BatchOutputs::take(const QString &input, const QString &output)
{
    if (taken.contains(output)) {
        clashes.append({input, output});
        return false;
    }
    taken.insert(output);
    return true;
}

QString BatchOutputs::clashReport() const
{
    QString report = QStringLiteral(
        "次のファイルは、出力ファイルが先のファイルと同じになるため変換しませんでした。\n");
    for (const Clash &clash : clashes)
        report += QStringLiteral("%1 → %2\n").arg(clash.input, clash.output);
    return report.trimmed();
}
