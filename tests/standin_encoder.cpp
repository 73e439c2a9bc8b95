// A stand-in for the encoder: standin_encoder.exe -i <input> <exit code> <content> <output>
// writes the content (ASCII) to the output, unless it is empty, and exits with the code. With the
// content "hold" it first signals the event Local\orvalen-test-encoder-started and waits for
// Local\orvalen-test-encoder-release.

#include <cwchar>
#include <string>

#include <windows.h>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 6)
        return 100;
    std::wstring content = argv[4];
    if (content == L"hold") {
        SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\orvalen-test-encoder-started"));
        WaitForSingleObject(OpenEventW(SYNCHRONIZE, FALSE, L"Local\\orvalen-test-encoder-release"),
                            INFINITE);
    }
    if (!content.empty()) {
        const HANDLE file = CreateFileW(argv[5], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        const std::string bytes(content.begin(), content.end()); // ASCII
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    return static_cast<int>(std::wcstol(argv[3], nullptr, 10));
}
