#pragma once

#include "jobs/error.h"

#include <string>
#include <vector>

// Runs the encoder with the arguments, on the watcher's console, in a job object that ends
// it when the watcher ends, however that happens. When the console is closed, the encoder
// is ended and the file it writes to removed before the watcher goes. Gives the encoder's
// exit code, or EncoderNotStartable.
Result<unsigned long> runEncoder(const std::wstring &encoder,
                                 const std::vector<std::wstring> &arguments,
                                 const std::wstring &writtenTo);
