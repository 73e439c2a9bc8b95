#pragma once

#include "jobs/text.h"

#include <variant>

// What the command line asks for: converting its names (waiting for the conversions or not),
// or the window, which offers its names for conversion (--ask).
struct StartRequest
{
    bool waits = false;
    bool asks = false;
    TextList names; // as getnextarg cuts them from the text after the options
};

// An answer given instead: the usage or the version (exit status 0, on standard output), or
// why the options are refused (on standard error).
struct StartAnswer
{
    int exitStatus;
    std::u16string text;
};

// Reads the argument text: a first --wait or --ask, or --help, -h or --version alone; any
// other name that begins with "--" is refused.
std::variant<StartRequest, StartAnswer> readStartOptions(const std::u16string &argumentText);
