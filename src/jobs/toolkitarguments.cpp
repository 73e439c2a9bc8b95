#include "toolkitarguments.h"

#include <vector>

ToolkitArguments toolkitArguments(const QByteArrayList &arguments)
{
    static QByteArrayList kept;
    static std::vector<char *> values;
    static int count = 0;
    kept = arguments;
    values.clear();
    for (QByteArray &argument : kept)
        values.push_back(argument.data());
    values.push_back(nullptr);
    count = int(kept.size());
    return {count, values.data()};
}
