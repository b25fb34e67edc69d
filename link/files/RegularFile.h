#pragma once

// Opens a file the user named for reading, at once, whatever sits at the path: a FIFO, a device
// or a folder would block the reader or never end, so only a regular file (a link to one counts)
// is opened.

#include <cstdio>
#include <string>

// The open stream ("rb"), or null when the path does not open or is no regular file.
std::FILE* OpenRegularFile(const std::string& path);
