#pragma once

// The two string forms of the files: the archive string (a 1-, 3- or 7-byte length prefix, as the
// class library's archive writes it) and the counted string (int32 length) of event headers.

#include <string>
#include <string_view>

#include "link/store/ByteReader.h"
#include "link/store/ByteWriter.h"

void WriteArchiveString(ByteWriter& out, std::string_view text);
// False on a truncated prefix or text, or on a prefix form the writer never produces.
bool ReadArchiveString(ByteReader& in, std::string& text);

void WriteCountedString(ByteWriter& out, std::string_view text);
// False on truncation, a negative length or a length above `limit`.
bool ReadCountedString(ByteReader& in, std::string& text, LONG limit);
