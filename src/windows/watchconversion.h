#pragma once

#include "jobs/error.h"

#include <optional>
#include <string>
#include <vector>

// One conversion under the watcher, orvalen-watch.exe:
//
//   orvalen-watch.exe <output> <encoder> <encoder's arguments...>
//
// The encoder is started as <encoder> <encoder's arguments...> <temporary file>: its
// arguments are those of its command line but the output, in place of which it is given a new
// file beside the output (see TemporaryOutput). Its input is the argument after its first
// "-i". The output is refused when it is a device, a folder, a link or the input, or when
// another watcher writes it (see OutputLock). Once the encoder has exited with 0 and written
// something, its file replaces the output; otherwise the file is removed and an earlier
// output stays as it was. The exit codes are in exitcodes.h.
Result<void> watchConversion(const std::wstring &output, const std::wstring &encoder,
                             std::vector<std::wstring> arguments);

// The argument after the first "-i", if any.
std::optional<std::wstring> inputArgument(const std::vector<std::wstring> &arguments);
