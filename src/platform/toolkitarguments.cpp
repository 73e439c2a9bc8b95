#include "toolkitarguments.h"

ToolkitArguments toolkitArguments(const std::vector<std::string> &arguments)
{
    static std::vector<std::string> kept;
    static std::vector<char *> values;
    static int count = 0;
    kept = arguments;
    values.clear();
    for (std::string &argument : kept)
        values.push_back(argument.data());
    values.push_back(nullptr);
    count = static_cast<int>(kept.size());
    return {count, values.data()};
}
