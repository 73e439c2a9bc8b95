// libFuzzer target: arbitrary bytes, cut at NUL bytes into command-line arguments (argv never
// holds a NUL), go the way the command-line batch takes them, from argument bytes to the
// names given to the encoder. It traps as soon as a name does not come back as it went in.
#include "jobs/encodercommand.h"
#include "jobs/filenamebytes.h"
#include "jobs/getnextarg.h"
#include "jobs/outputname.h"

#include <QByteArrayList>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// A few more than the 32 names the batch looks at.
constexpr qsizetype MaxArguments = 40;

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

bool hasUnpairedHighSurrogate(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i].isHighSurrogate() && (i + 1 == name.size() || !name[i + 1].isLowSurrogate()))
            return true;
    }
    return false;
}

// The output name and the encoder's form of one name that came out of the tokenizer.
void checkName(const QByteArray &bytes, const QString &name)
{
    const std::optional<QString> output = deriveOutputName(name);
    check(output.has_value() == (name.size() >= 4));
    if (output) {
        // The input less its extension, if any: a dot and what follows it in the file name.
        const QStringView kept = QStringView(*output).chopped(4);
        const QStringView dropped = QStringView(name).sliced(kept.size());
        check(output->endsWith(u".mp3") && name.startsWith(kept) && !dropped.contains(u'/') &&
              (dropped.isEmpty() || dropped.startsWith(u'.')));
        check(!hasUnpairedHighSurrogate(*output));
        const QByteArray outputBytes = fileNameToBytes(*output);
        check(outputBytes.endsWith(".mp3") && bytes.startsWith(outputBytes.chopped(4)));
    }

    const QString given = encoderFileName(name);
    check(given == name || given == QStringLiteral("./") + name);
    check(!name.startsWith(u'/') || given == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    check(fileNameToBytes(fileNameFromBytes(input)) == input);

    QByteArrayList arguments = input.isEmpty() ? QByteArrayList{} : input.split('\0');
    arguments.resize(std::min(arguments.size(), MaxArguments));
    QStringList names;
    for (const QByteArray &argument : arguments)
        names.append(fileNameFromBytes(argument));

    // The batch trims outer spaces and needs a text that does not begin with one.
    const QString text = joinArguments(names);
    check(!text.startsWith(u' ') && !text.endsWith(u' '));
    QStringList tokens;
    qsizetype position = 1;
    while (position <= text.size()) {
        check(tokens.size() < names.size());
        tokens.append(getnextarg(text, position));
    }
    check(tokens == names);

    for (qsizetype i = 0; i < tokens.size(); ++i) {
        check(fileNameToBytes(tokens[i]) == arguments[i]);
        checkName(arguments[i], tokens[i]);
    }
    return 0;
}
