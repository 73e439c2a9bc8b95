#include "encoderrun.h"

#include "commandline.h"
#include "uniquehandle.h"
#include "widetext.h"
#include "windowserror.h"

namespace {

// What the console's close handler ends and removes.
HANDLE runningJob = nullptr;
HANDLE runningEncoder = nullptr;
std::wstring fileWritten;

// Ctrl+C and Ctrl+Break reach the encoder too, which stops: the watcher waits for it and then
// tidies up. Closing the console ends the watcher shortly after this returns.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    TerminateJobObject(runningJob, 1);
    WaitForSingleObject(runningEncoder, INFINITE);
    DeleteFileW(fileWritten.c_str());
    return TRUE;
}

UniqueHandle killingJob()
{
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits))
        return {};
    return job;
}

} // namespace

Result<unsigned long> runEncoder(const std::wstring &encoder,
                                 const std::vector<std::wstring> &arguments,
                                 const std::wstring &writtenTo)
{
    const auto notStartable = [&] {
        return lastWindowsError(Error::What::EncoderNotStartable, toText(encoder));
    };
    const UniqueHandle job = killingJob();
    if (!job)
        return notStartable();
    TextList command{toText(encoder)};
    for (const std::wstring &argument : arguments)
        command.push_back(toText(argument));
    std::wstring line = toWide(commandLine(command));

    // Started suspended, so that it is in the job before it can start anything itself.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(encoder.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup,
                        &started))
        return notStartable();
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    if (!AssignProcessToJobObject(job.get(), process.get())) {
        const Error error = notStartable();
        TerminateProcess(process.get(), 1);
        return error;
    }
    runningJob = job.get();
    runningEncoder = process.get();
    fileWritten = writtenTo;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    ResumeThread(thread.get());

    WaitForSingleObject(process.get(), INFINITE);
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}
