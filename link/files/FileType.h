#pragma once

// File type from a path, and the extension rules of saving.

#include <string>
#include <string_view>

// ".hsc", ".ast", ".HSC", ".AST" are searched in that order, anywhere in the path, exact case; the
// first found decides (DOCUMENT_CAPTURE or DOCUMENT_TRACE). Failing those, any other spelling
// of either counts, the one nearest the end of the path deciding. DOCUMENT_NONE otherwise.
int DocumentTypeFromPath(std::string_view path);

// The path a save writes to: ".ast" (trace) or ".hsc" (capture) is appended unless some spelling
// of it occurs already. A `documentType` of DOCUMENT_NONE is first set from the path (a spelling
// of ".ast" wins over one of ".hsc"); it stays DOCUMENT_NONE when neither occurs.
std::string SavePathFor(std::string path, int& documentType);

// Case-insensitive (ASCII) search; npos when absent. `fromEnd` finds the last occurrence.
std::size_t FindNoCase(std::string_view text, std::string_view what, bool fromEnd = false);
