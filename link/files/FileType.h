#pragma once

// File type from a path, and the extension rules of saving.

#include <optional>
#include <string>
#include <string_view>

#include "link/store/DocumentType.h"

// ".hsc", ".ast", ".HSC", ".AST" are searched in that order, anywhere in the path, exact case; the
// first found decides (capture or trace). Failing those, any other spelling of either counts,
// the one nearest the end of the path deciding. Nothing otherwise.
std::optional<DocumentType> DocumentTypeFromPath(std::string_view path);
// How often DocumentTypeFromPath has run in this process (an open works the type out once).
int DocumentTypeDecisions();

// The path a save writes to: ".ast" (trace) or ".hsc" (capture) is appended unless some spelling
// of it occurs already. An empty `documentType` is first set from the path (a spelling of ".ast"
// wins over one of ".hsc"); it stays empty when neither occurs.
std::string SavePathFor(std::string path, std::optional<DocumentType>& documentType);

// Case-insensitive (ASCII) search; npos when absent. `fromEnd` finds the last occurrence.
std::size_t FindNoCase(std::string_view text, std::string_view what, bool fromEnd = false);
