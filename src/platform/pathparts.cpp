#include "pathparts.h"

std::string folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == path.npos)
        return ".";
    return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

std::string_view fileNameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == path.npos ? path : path.substr(slash + 1);
}
