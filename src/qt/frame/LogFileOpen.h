#pragma once
// Opening the file a session log goes to, without ever waiting.
#include <cstdio>
#include <string>

// Opens path for writing as a session log: a regular file, created or
// emptied, or the null device. Anything else (a FIFO, a terminal, another
// device, a folder) is refused and left untouched, and the open never waits:
// a FIFO nobody reads would otherwise block the window for good. Null when
// refused or when the file cannot be opened.
std::FILE* OpenLogFileWithoutWaiting(const std::string& path);
