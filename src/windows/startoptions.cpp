#include "startoptions.h"

#include "jobs/exitstatus.h"
#include "jobs/getnextarg.h"
#include "usage.h"

namespace {

constexpr std::u16string_view Wait = u"--wait";
constexpr std::u16string_view Ask = u"--ask";

bool isKnownOption(std::u16string_view name)
{
    return name == Wait || name == Ask || name == u"--help" || name == u"-h" ||
           name == u"--version";
}

TextList tokens(const std::u16string &text)
{
    TextList names;
    for (std::size_t position = 1; position <= text.size();)
        names.push_back(getnextarg(text, position));
    return names;
}

// A mistyped or misplaced option would otherwise be taken for a file; a file of such a name
// is reached as ".\--name".
std::optional<StartAnswer> refusedOption(const TextList &names)
{
    for (const std::u16string &name : names) {
        if (!name.starts_with(u"--"))
            continue;
        const std::u16string_view why =
            isKnownOption(name) ? u"ここでは使えないオプションです" : u"知らないオプションです";
        return StartAnswer{ExitStatus::UnknownOption, u"orvalen: " + std::u16string(why) + u": " +
                                                          name + u'\n' + std::u16string(Usage)};
    }
    return std::nullopt;
}

} // namespace

std::variant<StartRequest, StartAnswer> readStartOptions(const std::u16string &argumentText)
{
    const std::size_t first = argumentText.find_first_not_of(u' ');
    TextList names =
        tokens(first == argumentText.npos ? std::u16string() : argumentText.substr(first));
    if (names.size() == 1 && (names[0] == u"--help" || names[0] == u"-h"))
        return StartAnswer{ExitStatus::Success, std::u16string(Usage)};
    if (names.size() == 1 && names[0] == u"--version")
        return StartAnswer{ExitStatus::Success, std::u16string(Version)};

    StartRequest request;
    request.waits = !names.empty() && names[0] == Wait;
    request.asks = !names.empty() && names[0] == Ask;
    if (request.waits || request.asks)
        names.erase(names.begin());
    if ((request.waits && !names.empty() && names[0] == Ask) ||
        (request.asks && !names.empty() && names[0] == Wait))
        return StartAnswer{ExitStatus::ClashingOptions,
                           u"orvalen: --ask と --wait は一緒に使えません。"};
    if (std::optional<StartAnswer> refused = refusedOption(names))
        return *refused;
    request.names = std::move(names);
    return request;
}
