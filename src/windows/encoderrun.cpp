#include "encoderrun.h"

#include "commandline.h"
#include "uniquehandle.h"
#include "widetext.h"
#include "windowserror.h"

namespace {

// What the console's close handler ends and removes.
HANDLE runningEncoder = nullptr;
std::wstring fileWritten;

// Ctrl+C and Ctrl+Break reach the encoder too, which stops: the watcher waits for it and then
// tidies up. Closing the console ends the watcher shortly after this returns.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    TerminateProcess(runningEncoder, 1);
    WaitForSingleObject(runningEncoder, INFINITE);
    DeleteFileW(fileWritten.c_str());
    return TRUE;
}

// Puts the watcher in a job that ends every process in it once its one handle closes, when
// the watcher ends, however that happens. The encoder started afterwards belongs to it from
// its first instruction, never outside it: an encoder started suspended and put in the job
// afterwards was seen left behind, stuck, when Wine closed its console at once. The handle is
// never closed: that would end the watcher itself.
bool joinKillingJob()
{
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    return job &&
           SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits) &&
           AssignProcessToJobObject(job, GetCurrentProcess());
}

} // namespace

Result<unsigned long> runEncoder(const std::wstring &encoder,
                                 const std::vector<std::wstring> &arguments,
                                 const std::wstring &writtenTo)
{
    const auto notStartable = [&] {
        return lastWindowsError(Error::What::EncoderNotStartable, toText(encoder));
    };
    if (!joinKillingJob())
        return notStartable();
    TextList command{toText(encoder)};
    for (const std::wstring &argument : arguments)
        command.push_back(toText(argument));
    std::wstring line = toWide(commandLine(command));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(encoder.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup, &started))
        return notStartable();
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);
    runningEncoder = process.get();
    fileWritten = writtenTo;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);

    WaitForSingleObject(process.get(), INFINITE);
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}
