#pragma once

#include "conversionjobs.h"

#include <functional>

// Converts one input of a drop beside it with the window's current choices.
using DroppedFileJob = std::function<Result<Job>(const std::u16string &input, BatchOutputs &)>;

// The files dropped on the main window, or offered to it: lists them in one confirmation
// and, on OK, converts each in drop order as one batch. One drop may carry at most 31 files.
void convertDroppedFiles(Platform &platform, const BoxOwner *window, const TextList &files,
                         const DroppedFileJob &Execute_choosefilename);
