#pragma once

#include "conversionjobs.h"

// The main window's start: converts input into the given output, and ends the batch. An
// empty output name is told over the window instead, and nothing is started.
void convertGivenNames(Platform &platform, const BoxOwner *window, const std::u16string &input,
                       const std::u16string &output, int channels, const std::u16string &bitrate);
