#include "watchconversion.h"

#include "encoderrun.h"
#include "outputlock.h"
#include "outputplace.h"
#include "temporaryoutput.h"

#include <algorithm>

std::optional<std::wstring> inputArgument(const std::vector<std::wstring> &arguments)
{
    const auto option = std::ranges::find(arguments, L"-i");
    if (option == arguments.end() || option + 1 == arguments.end())
        return std::nullopt;
    return *(option + 1);
}

Result<void> watchConversion(const std::wstring &output, const std::wstring &encoder,
                             std::vector<std::wstring> arguments)
{
    const Result<OutputPlace> place = examineOutput(output, inputArgument(arguments));
    if (!place)
        return place.error();
    const Result<OutputLock> lock = OutputLock::take(place->realPath);
    if (!lock)
        return lock.error();
    Result<TemporaryOutput> temporary = TemporaryOutput::create(place->folder, place->name);
    if (!temporary)
        return temporary.error();
    arguments.push_back(temporary->path());
    const Result<unsigned long> exitCode = runEncoder(encoder, arguments, temporary->path());
    if (!exitCode)
        return exitCode.error();
    if (*exitCode != 0)
        return Error{Error::What::EncoderExited, static_cast<int>(*exitCode)};
    return temporary->replace(place->name);
}
