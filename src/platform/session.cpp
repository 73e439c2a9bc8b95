#include "session.h"

#include "environment.h"
#include "jobs/conversionrequest.h"

#include <cstdint>
#include <cstdio>

namespace {

// 64-bit FNV-1a: enough to tell the displays of one user apart.
std::uint64_t hashOf(const std::string &text)
{
    std::uint64_t hash = 0xcbf2'9ce4'8422'2325;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100'0000'01b3;
    return hash;
}

} // namespace

std::string sessionAddress(const std::string &runtimeDirectory, const std::string &displayPlatform)
{
    const std::string display = displayPlatform + '|' + environmentValue("DISPLAY") + '|' +
                                environmentValue("WAYLAND_DISPLAY");
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(hashOf(display)));
    return runtimeDirectory + "/session-v" + std::to_string(ProtocolVersion) + '-' + hash;
}

Result<UniqueFd> lockSession(const std::string &address)
{
    return takeFileLock(address + ".lock", Error::What::CompanionNotStartable);
}
