// How orvalen.exe reads its command line and its folder, and what a watcher's exit tells.

#include "jobs/exitstatus.h"
#include "rules/check.h"
#include "windows/argumenttext.h"
#include "windows/exitcodes.h"
#include "windows/programfolder.h"
#include "windows/startoptions.h"
#include "windows/watcherstart.h"

TEST(argumentsFollowTheProgramName)
{
    struct Row
    {
        const char *name;
        std::u16string commandLine;
        std::u16string arguments;
    };
    const Row rows[] = {
        {"quoted name with spaces", uR"("C:\Program Files\Orvalen\orvalen.exe" a.wav b.wav)",
         u"a.wav b.wav"},
        {"plain name, tab after it", u"orvalen.exe\ta.wav \"b c.wav\"", u"a.wav \"b c.wav\""},
        {"name alone", u"orvalen", u""},
        {"quoted name alone", u"\"C:\\o\\orvalen.exe\"  ", u""},
        {"quote inside the plain name", uR"(C:\o"x y"\orvalen.exe z.wav)",
         u"y\"\\orvalen.exe z.wav"},
    };
    check::eachRow(rows,
                   [](const Row &row) { CHECK_EQ(argumentText(row.commandLine), row.arguments); });
}

TEST(options)
{
    struct Row
    {
        const char *name;
        std::u16string text;
        bool waits;
        bool asks;
        TextList names;
    };
    const Row rows[] = {
        {"names", u"a.wav  \"b c.wav\"", false, false, {u"a.wav", u"b c.wav"}},
        {"wait", u"--wait a.wav", true, false, {u"a.wav"}},
        {"ask without names", u" --ask ", false, true, {}},
        {"one-character names count", u"x a.wav", false, false, {u"x", u"a.wav"}},
        {"a file named as an option", u".\\--help", false, false, {u".\\--help"}},
    };
    check::eachRow(rows, [](const Row &row) {
        const auto read = readStartOptions(row.text);
        const auto *request = std::get_if<StartRequest>(&read);
        CHECK(request);
        CHECK_EQ(request->waits, row.waits);
        CHECK_EQ(request->asks, row.asks);
        CHECK_EQ(request->names, row.names);
    });
}

TEST(optionsAnsweredOrRefused)
{
    struct Row
    {
        const char *name;
        std::u16string text;
        int exitStatus;
        std::u16string begins;
    };
    const Row rows[] = {
        {"version", u"--version", ExitStatus::Success, u"orvalen 2.00\n"},
        {"help", u"-h", ExitStatus::Success, u"使い方: orvalen.exe"},
        {"unknown", u"a.wav --wiat", ExitStatus::UnknownOption, u"orvalen: 知らないオプション"},
        {"help after a name", u"a.wav --help", ExitStatus::UnknownOption,
         u"orvalen: ここでは使えないオプション"},
        {"wait after ask", u"--ask --wait a.wav", ExitStatus::ClashingOptions,
         u"orvalen: --ask と --wait"},
        {"wait twice", u"--wait --wait a.wav", ExitStatus::UnknownOption, u"orvalen: ここでは"},
    };
    check::eachRow(rows, [](const Row &row) {
        const auto read = readStartOptions(row.text);
        const auto *answer = std::get_if<StartAnswer>(&read);
        CHECK(answer);
        CHECK_EQ(answer->exitStatus, row.exitStatus);
        CHECK(answer->text.starts_with(row.begins));
    });
}

TEST(folderOfTheProgram)
{
    CHECK_EQ(folderOf(uR"(C:\Program Files\Orvalen\orvalen.exe)"), uR"(C:\Program Files\Orvalen)");
    CHECK_EQ(folderOf(uR"(D:\orvalen.exe)"), uR"(D:\)");
    CHECK_EQ(folderOf(uR"(\\pc\share\o\orvalen.exe)"), uR"(\\pc\share\o)");
}

TEST(watcherExits)
{
    using Kind = ConversionOutcome::Kind;
    struct Row
    {
        const char *name;
        unsigned long exitCode;
        bool outputReplaced;
        Kind kind;
        int programExit;
    };
    const Row rows[] = {
        {"replaced", OutputReplaced, true, Kind::Succeeded, ExitStatus::Success},
        {"encoder failed", EncoderFailed, false, Kind::Failed, ExitStatus::ConversionFailed},
        {"refused", OutputRefused, false, Kind::Refused, ExitStatus::NotAllConverted},
        {"watcher failed", WatcherFailed, false, Kind::Failed, ExitStatus::ConversionFailed},
        {"console closed", 0xC000013AUL, false, Kind::Stopped, ExitStatus::ConversionFailed},
        {"console closed under Wine", 0, false, Kind::Stopped, ExitStatus::ConversionFailed},
    };
    check::eachRow(rows, [](const Row &row) {
        const ConversionOutcome outcome = outcomeOfWatcher(row.exitCode, row.outputReplaced);
        CHECK_EQ(outcome.kind, row.kind);
        BatchAnswer answer;
        answer.conversions.push_back({{}, outcome});
        CHECK_EQ(answer.exitStatus(), row.programExit);
    });
}
