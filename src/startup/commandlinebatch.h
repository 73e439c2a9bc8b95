#pragma once

class Platform;

// Converts each of the first 32 names of the command line that has two or more characters
// with the fixed preset, in order. Returns whether any name was taken; when none was, the
// window is to be shown. A name too short to derive an output from ends the program with
// exit status 1, an encoder that cannot be started with exit status 2.
bool convertCommandLineNames(Platform &platform);
