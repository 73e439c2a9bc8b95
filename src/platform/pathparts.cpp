#include "pathparts.h"

std::string folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == path.npos ? "/" : std::string(path.substr(0, slash));
}

std::string lastPartOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == path.npos ? path : path.substr(slash + 1));
}
