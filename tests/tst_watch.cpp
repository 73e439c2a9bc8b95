// The watcher orvalen-watch.exe, run on a stand-in encoder (standin_encoder.cpp) in a folder
// of its own whose name has a space and Japanese in it.

#include "jobs/error.h"
#include "rules/check.h"
#include "windows/commandline.h"
#include "windows/exitcodes.h"
#include "windows/uniquehandle.h"
#include "windows/widetext.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <tlhelp32.h>

namespace fs = std::filesystem;

namespace {

fs::path ownFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

const fs::path watcher = ownFolder() / WATCH_PROGRAM;
const fs::path standin = ownFolder() / L"standin_encoder.exe";

// A new empty folder that holds the input, "in.wav".
fs::path freshFolder(const std::wstring &test)
{
    const fs::path folder = fs::temp_directory_path() / (L"orvalen watch テスト " + test);
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / L"in.wav") << "input";
    return folder;
}

std::string contents(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write(const fs::path &file, const std::string &text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::set<std::wstring> namesIn(const fs::path &folder)
{
    std::set<std::wstring> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().wstring());
    return names;
}

struct Started
{
    UniqueHandle process;
    fs::path told; // its standard error
};

// Starts the watcher in the folder, with standard input not a console so that it never waits
// for a key: orvalen-watch.exe <output> <encoder> -i in.wav <exit code> <content>.
Started startWatcher(const fs::path &folder, const std::wstring &output, const fs::path &encoder,
                     const std::wstring &exitCode, const std::wstring &content)
{
    static int starts = 0;
    const fs::path told = folder.wstring() + L" told " + std::to_wstring(++starts) + L".txt";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    const UniqueHandle error(CreateFileW(told.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const UniqueHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = error.get();
    startup.hStdError = error.get();
    std::wstring line =
        toWide(commandLine({toText(watcher.wstring()), toText(output), toText(encoder.wstring()),
                            u"-i", u"in.wav", toText(exitCode), toText(content)}));
    PROCESS_INFORMATION started{};
    CreateProcessW(watcher.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                   &startup, &started);
    CloseHandle(started.hThread);
    return {UniqueHandle(started.hProcess), told};
}

// The stand-in encoder given the content "hold": it says when it has started, and then waits
// until it is released.
class HeldEncoder
{
public:
    // Whether the watcher's encoder has started (and not the watcher ended first).
    bool awaitStart(const Started &watching) const
    {
        const std::array<HANDLE, 2> waitFor{started.get(), watching.process.get()};
        return WaitForMultipleObjects(2, waitFor.data(), FALSE, INFINITE) == WAIT_OBJECT_0;
    }

    void release() const { SetEvent(released.get()); }

private:
    UniqueHandle started{
        CreateEventW(nullptr, TRUE, FALSE, L"Local\\orvalen-test-encoder-started")};
    UniqueHandle released{
        CreateEventW(nullptr, TRUE, FALSE, L"Local\\orvalen-test-encoder-release")};
};

struct Finished
{
    DWORD exitCode;
    std::string told;
};

Finished finish(const Started &started)
{
    DWORD exitCode = 1000;
    WaitForSingleObject(started.process.get(), INFINITE);
    GetExitCodeProcess(started.process.get(), &exitCode);
    return {exitCode, contents(started.told)};
}

Finished runWatcher(const fs::path &folder, const std::wstring &output,
                    const std::wstring &exitCode, const std::wstring &content,
                    const fs::path &encoder = standin)
{
    return finish(startWatcher(folder, output, encoder, exitCode, content));
}

bool tells(const Finished &finished, const Error &error)
{
    return finished.told.find(fileNameToBytes(errorText(error))) != std::string::npos;
}

const std::set<std::wstring> inputAndOutput{L"in.wav", L"out.mp3"};

} // namespace

TEST(successfulEncoderReplacesOutput)
{
    struct Row
    {
        const char *name;
        bool earlierOutput;
    };
    const std::array rows{Row{"no earlier output", false}, Row{"earlier output", true}};
    check::eachRow(rows, [](const Row &row) {
        const fs::path folder = freshFolder(L"success");
        if (row.earlierOutput)
            write(folder / L"out.mp3", "earlier");
        const Finished finished = runWatcher(folder, L"out.mp3", L"0", L"converted");
        CHECK_EQ(finished.exitCode, 0);
        CHECK_EQ(contents(folder / L"out.mp3"), "converted");
        CHECK(namesIn(folder) == inputAndOutput);
    });
}

TEST(failedEncoderLeavesEarlierOutput)
{
    struct Row
    {
        const char *name;
        const wchar_t *encoder;
        const wchar_t *exitCode;
        const wchar_t *content;
        Error told; // but for an encoder not startable, whose reason is Windows' own
    };
    const std::array rows{
        Row{"exits 1 after writing",
            L"standin_encoder.exe",
            L"1",
            L"partial",
            {Error::What::EncoderExited, 1}},
        Row{"writes nothing",
            L"standin_encoder.exe",
            L"0",
            L"",
            {Error::What::EncoderWroteNothing}},
        Row{"not startable",
            L"missing.exe",
            L"0",
            L"converted",
            {Error::What::EncoderNotStartable}},
    };
    check::eachRow(rows, [](const Row &row) {
        const fs::path folder = freshFolder(L"failure");
        write(folder / L"out.mp3", "earlier");
        const Finished finished =
            runWatcher(folder, L"out.mp3", row.exitCode, row.content, ownFolder() / row.encoder);
        CHECK_EQ(finished.exitCode, 1);
        CHECK_EQ(contents(folder / L"out.mp3"), "earlier");
        CHECK(namesIn(folder) == inputAndOutput);
        if (row.told.what != Error::What::EncoderNotStartable)
            CHECK(tells(finished, row.told));
    });
}

TEST(outputThatIsNoPlainFileIsRefused)
{
    struct Row
    {
        const char *name;
        const wchar_t *output;
        Error::What told;
    };
    const std::array rows{
        Row{"device with extension", L"nul.mp3", Error::What::OutputIsDevice},
        Row{"device in capitals", L"COM1", Error::What::OutputIsDevice},
        Row{"folder", L"folder", Error::What::OutputIsFolder},
        Row{"input in other case", L"IN.WAV", Error::What::OutputIsInput},
        Row{"hard link to input", L"link.wav", Error::What::OutputIsInput},
    };
    check::eachRow(rows, [](const Row &row) {
        const fs::path folder = freshFolder(L"refused");
        fs::create_directory(folder / L"folder");
        fs::create_hard_link(folder / L"in.wav", folder / L"link.wav");
        const std::set<std::wstring> before = namesIn(folder);
        const Finished finished = runWatcher(folder, row.output, L"0", L"converted");
        CHECK_EQ(finished.exitCode, 2);
        CHECK(tells(finished, {row.told}));
        CHECK_EQ(contents(folder / L"in.wav"), "input");
        CHECK(namesIn(folder) == before);
    });
}

TEST(secondWatcherOfOutputIsRefused)
{
    const fs::path folder = freshFolder(L"lock");
    const HeldEncoder held;
    const Started first = startWatcher(folder, L"out.mp3", standin, L"0", L"hold");
    CHECK(held.awaitStart(first));

    // The same file under another spelling.
    const Finished second = runWatcher(folder, L".\\OUT.MP3", L"0", L"second");
    held.release();
    CHECK_EQ(finish(first).exitCode, 0);
    CHECK_EQ(second.exitCode, 2);
    CHECK(tells(second, {Error::What::OutputLockBusy}));
    CHECK_EQ(contents(folder / L"out.mp3"), "hold");
    // The lock ends with its watcher.
    CHECK_EQ(runWatcher(folder, L"out.mp3", L"0", L"third").exitCode, 0);
}

namespace {

// The encoder started by a process.
UniqueHandle childOf(DWORD parent)
{
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parent)
            return UniqueHandle(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    }
    return {};
}

} // namespace

TEST(encoderEndsWithWatcher)
{
    const fs::path folder = freshFolder(L"killed");
    const HeldEncoder held;
    const Started watcher = startWatcher(folder, L"out.mp3", standin, L"0", L"hold");
    CHECK(held.awaitStart(watcher));
    const UniqueHandle encoder = childOf(GetProcessId(watcher.process.get()));
    CHECK(encoder);

    TerminateProcess(watcher.process.get(), 9);
    // Without the job, the encoder would wait here for good.
    CHECK_EQ(WaitForSingleObject(encoder.get(), INFINITE), WAIT_OBJECT_0);
    held.release();
}

// A folder swapped for another while the encoder runs: the output stays in the folder as it
// was at the start, and the swapped-in folder gets no output, only what the encoder wrote
// there by name.
TEST(swappedOutputFolderReceivesNothing)
{
    const fs::path folder = freshFolder(L"swapped");
    fs::create_directory(folder / L"music");
    write(folder / L"music" / L"out.mp3", "earlier");
    const HeldEncoder held;
    const Started watcher = startWatcher(folder, L"music\\out.mp3", standin, L"0", L"hold");
    CHECK(held.awaitStart(watcher));
    // Windows usually refuses to rename a folder that holds an open file; Wine does not.
    const bool swapped = MoveFileW((folder / L"music").c_str(), (folder / L"moved").c_str()) &&
                         CreateDirectoryW((folder / L"music").c_str(), nullptr);
    held.release();
    const Finished finished = finish(watcher);
    if (!swapped)
        return;
    CHECK_EQ(finished.exitCode, DWORD{EncoderFailed});
    CHECK_EQ(contents(folder / L"moved" / L"out.mp3"), "earlier");
    CHECK(!fs::exists(folder / L"music" / L"out.mp3"));
}
