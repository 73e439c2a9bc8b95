#include "session.h"

#include "environment.h"
#include "jobs/conversionrequest.h"
#include "jobs/namehash.h"

std::string sessionAddress(const std::string &runtimeDirectory, const std::string &displayPlatform)
{
    const std::string display = displayPlatform + '|' + environmentValue("DISPLAY") + '|' +
                                environmentValue("WAYLAND_DISPLAY");
    return runtimeDirectory + "/session-v" + std::to_string(ProtocolVersion) + '-' +
           nameHash(std::string_view(display));
}

Result<UniqueFd> lockSession(const std::string &address)
{
    return takeFileLock(address + ".lock", Error::What::CompanionNotStartable);
}
