#include "standarderror.h"

#include "jobs/filenamebytes.h"

#include <cstdio>

void writeLineToStandardError(const std::u16string &text)
{
    const std::string line = fileNameToBytes(text) + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
