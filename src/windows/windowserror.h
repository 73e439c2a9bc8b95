#pragma once

#include "jobs/error.h"

// The user's words for a Windows error number (GetLastError()).
std::u16string windowsReason(unsigned long number);

// What the watcher tells the user of an error: errorText(), but with the reasons of
// Windows' error numbers where an error carries one.
std::u16string watchErrorText(const Error &error);

// An error with the calling thread's last Windows error number.
Error lastWindowsError(Error::What what, std::u16string name = {});

// The C library's error number that the rules' texts know for a Windows error number, where
// there is one: EIO for the others.
int errnoFor(unsigned long number);
