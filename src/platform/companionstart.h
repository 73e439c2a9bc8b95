#pragma once

#include "jobs/error.h"
#include "uniquefd.h"

#include <optional>
#include <string>
#include <vector>

struct ProcessSetup;

// Opens the streams to the companion program, each beginning with our Hello. With a display,
// one companion serves the user's whole session. When none listens on the session's socket,
// the Orvalen that wants one makes the listening socket itself and hands it to a new
// companion, so its requests wait in that socket while the companion starts. Without a
// display, each stream has a companion of its own, through a socket pair, which reports on our
// standard error, which it shares, the failures that we do not wait for. A companion that we
// started is reaped as it ends, aside, so that none stays our zombie. Copies may open streams
// on any thread.
class CompanionStarter
{
public:
    CompanionStarter(std::string program, std::optional<std::string> displayPlatform);

    const std::string &program() const { return companion; }
    bool hasDisplay() const { return displayPlatform.has_value(); }

    Result<UniqueFd> openStream() const;

    // An error of ours, naming the companion.
    Error failure(Error::What what, int number = 0) const;

private:
    Result<UniqueFd> openSessionStream() const;
    Result<UniqueFd> startBatchCompanion() const;
    Result<UniqueFd> startSessionCompanion(const std::string &address) const;
    Result<UniqueFd> startOnOwnSocket(const std::string &path, int lock) const;
    Result<void> startCompanion(const std::vector<std::string> &arguments,
                                const ProcessSetup &setup) const;

    std::string companion;
    std::optional<std::string> displayPlatform;
};
