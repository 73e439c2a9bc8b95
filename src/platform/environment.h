#pragma once

#include <cstdlib>
#include <string>

// The value of an environment variable; empty when it is not set.
inline std::string environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

inline bool isEnvironmentSet(const char *name)
{
    return std::getenv(name) != nullptr;
}
