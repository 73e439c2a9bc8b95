#pragma once

#include <string>
#include <vector>

// The argument list that the toolkit's application object is made with: ours, never the
// user's, so that no file name is read as a toolkit option. The toolkit refers to it as long
// as the application lives, so it is kept until the program ends; made once per program.
struct ToolkitArguments
{
    int &count;
    char **values;
};

ToolkitArguments toolkitArguments(const std::vector<std::string> &arguments);
