// libFuzzer target: arbitrary bytes, cut at NUL bytes into command-line arguments (argv never
// holds a NUL), go the way the command-line batch takes them, from argument bytes to the
// names given to the encoder. It traps as soon as a name does not come back as it went in.
#include "jobs/encodercommand.h"
#include "jobs/filenamebytes.h"
#include "jobs/getnextarg.h"
#include "jobs/outputname.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A few more than the 32 names the batch looks at.
constexpr std::size_t MaxArguments = 40;

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool hasUnpairedHighSurrogate(std::u16string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (isHighSurrogate(name[i]) && (i + 1 == name.size() || !isLowSurrogate(name[i + 1])))
            return true;
    }
    return false;
}

// The pieces of the input between NUL bytes; none for an empty input.
std::vector<std::string> splitAtNul(std::string_view input)
{
    std::vector<std::string> pieces;
    if (input.empty())
        return pieces;
    for (std::size_t start = 0;;) {
        const std::size_t end = input.find('\0', start);
        pieces.emplace_back(input.substr(start, end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

// The output name and the encoder's form of one name that came out of the tokenizer.
void checkName(const std::string &bytes, const std::u16string &name)
{
    const std::optional<std::u16string> output = deriveOutputName(name, PosixFileNames);
    check(output.has_value() == (name.size() >= 4));
    if (output) {
        // The input less its extension, if any: a dot and what follows it in the file name.
        const std::u16string_view kept = std::u16string_view(*output).substr(0, output->size() - 4);
        const std::u16string_view dropped = std::u16string_view(name).substr(kept.size());
        check(output->ends_with(u".mp3") && name.starts_with(kept) &&
              dropped.find(u'/') == std::u16string_view::npos &&
              (dropped.empty() || dropped.front() == u'.'));
        check(!hasUnpairedHighSurrogate(*output));
        const std::string outputBytes = fileNameToBytes(*output);
        check(outputBytes.ends_with(".mp3") &&
              bytes.starts_with(std::string_view(outputBytes).substr(0, outputBytes.size() - 4)));
    }

    const std::u16string given = encoderFileName(name, PosixFileNames);
    check(given == name || given == u"./" + name);
    check(!name.starts_with(u'/') || given == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    check(fileNameToBytes(fileNameFromBytes(input)) == input);

    std::vector<std::string> arguments = splitAtNul(input);
    arguments.resize(std::min(arguments.size(), MaxArguments));
    TextList names;
    for (const std::string &argument : arguments)
        names.push_back(fileNameFromBytes(argument));

    // The batch trims outer spaces and needs a text that does not begin with one.
    const std::u16string text = joinArguments(names);
    check(!text.starts_with(u' ') && !text.ends_with(u' '));
    TextList tokens;
    std::size_t position = 1;
    while (position <= text.size()) {
        check(tokens.size() < names.size());
        tokens.push_back(getnextarg(text, position));
    }
    check(tokens == names);

    for (std::size_t i = 0; i < tokens.size(); ++i) {
        check(fileNameToBytes(tokens[i]) == arguments[i]);
        checkName(arguments[i], tokens[i]);
    }
    return 0;
}
