#include "link/files/FileType.h"

#include <atomic>

#include "link/store/DocumentType.h"

namespace {

std::atomic<int> typeDecisions{0};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::size_t FindNoCase(std::string_view text, std::string_view what, bool fromEnd) {
  if (what.size() > text.size()) return std::string_view::npos;
  const std::size_t last = text.size() - what.size();
  for (std::size_t k = 0; k <= last; ++k) {
    const std::size_t at = fromEnd ? last - k : k;
    if (SameNoCase(text.substr(at, what.size()), what)) return at;
  }
  return std::string_view::npos;
}

int DocumentTypeDecisions() { return typeDecisions.load(); }

std::optional<DocumentType> DocumentTypeFromPath(std::string_view path) {
  ++typeDecisions;
  constexpr std::string_view kSearchOrder[] = {".hsc", ".ast", ".HSC", ".AST"};
  for (std::string_view extension : kSearchOrder) {
    if (path.find(extension) != std::string_view::npos)
      return SameNoCase(extension, ".hsc") ? DocumentType::Capture : DocumentType::Trace;
  }
  // Saving keeps names like "run1.Ast" as they are, so they must open again.
  const std::size_t capture = FindNoCase(path, ".hsc", true);
  const std::size_t trace = FindNoCase(path, ".ast", true);
  if (capture == std::string_view::npos && trace == std::string_view::npos) return std::nullopt;
  if (trace == std::string_view::npos) return DocumentType::Capture;
  if (capture == std::string_view::npos) return DocumentType::Trace;
  return capture > trace ? DocumentType::Capture : DocumentType::Trace;
}

std::string SavePathFor(std::string path, std::optional<DocumentType>& documentType) {
  const bool hasCapture = FindNoCase(path, ".hsc") != std::string_view::npos;
  const bool hasTrace = FindNoCase(path, ".ast") != std::string_view::npos;
  if (documentType == DocumentType::Trace && !hasTrace) {
    path += ".ast";
  } else if (documentType == DocumentType::Capture && !hasCapture) {
    path += ".hsc";
  } else if (!documentType) {
    if (hasCapture) documentType = DocumentType::Capture;
    if (hasTrace) documentType = DocumentType::Trace;
  }
  return path;
}
