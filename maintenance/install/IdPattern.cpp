#include "maintenance/install/IdPattern.h"

#include <cctype>

namespace {

char fold(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// Bytes of the UTF-8 character starting at `at` (1 for anything that is not a lead byte), so a
// search never resumes inside a character.
std::size_t characterLength(std::string_view text, std::size_t at) {
  auto c = static_cast<unsigned char>(text[at]);
  std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  return at + n <= text.size() ? n : 1;
}

}  // namespace

IdPattern ParseIdPattern(std::string_view argument) {
  IdPattern p;
  if (!argument.empty() && argument.front() == '@') {
    p.instanceId = true;
    argument.remove_prefix(1);
  }
  if (!argument.empty() && argument.front() == '\'') {
    argument.remove_prefix(1);
    p.text = std::string(argument);
    return p;
  }
  p.text = std::string(argument);
  p.wildcard = p.text.find('*');
  return p;
}

bool MatchIdPattern(std::string_view text, const IdPattern& pattern) {
  std::string_view pat = pattern.text;
  if (pattern.wildcard == std::string::npos || pattern.wildcard > pat.size()) return sameNoCase(text, pat);
  if (text.size() < pattern.wildcard || !sameNoCase(text.substr(0, pattern.wildcard), pat.substr(0, pattern.wildcard)))
    return false;
  std::size_t at = pattern.wildcard;  // into text: what is not yet consumed starts here
  std::size_t p = pattern.wildcard;   // into the pattern
  for (;;) {
    while (p < pat.size() && pat[p] == '*') ++p;
    if (p == pat.size()) return true;  // a trailing "*" takes any rest
    std::size_t star = pat.find('*', p);
    std::string_view segment = pat.substr(p, star == std::string_view::npos ? std::string_view::npos : star - p);
    if (star == std::string_view::npos) {
      // The last segment must be the end of what remains.
      std::size_t rest = text.size() - at;
      return segment.size() <= rest && sameNoCase(text.substr(text.size() - segment.size()), segment);
    }
    bool found = false;
    for (std::size_t from = at; from + segment.size() <= text.size(); from += characterLength(text, from)) {
      if (sameNoCase(text.substr(from, segment.size()), segment)) {
        at = from + segment.size();
        found = true;
        break;
      }
    }
    if (!found) return false;
    p = star;
  }
}

bool MatchAnyId(char** list, const IdPattern& pattern) {
  if (!list) return false;
  for (char** id = list; *id; ++id) {
    if (MatchIdPattern(*id, pattern)) return true;
  }
  return false;
}
