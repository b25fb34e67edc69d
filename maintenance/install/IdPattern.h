#pragma once

// Device id patterns of the device-management commands: "@" marks a device instance id pattern,
// a following "'" makes the pattern literal, and otherwise "*" is a wildcard.

#include <cstddef>
#include <string>
#include <string_view>

struct IdPattern {
  std::string text;                          // after the markers
  std::size_t wildcard = std::string::npos;  // the first "*", or npos (literal, or none)
  bool instanceId = false;
};

IdPattern ParseIdPattern(std::string_view argument);
// Case-insensitive. With a wildcard the text must begin with the part before the first "*";
// every later segment is searched for only in the text not yet consumed, the last segment must
// equal the end of what remains, and a trailing "*" matches any rest.
bool MatchIdPattern(std::string_view text, const IdPattern& pattern);
// True when any string of a null-terminated id list matches; false for no list.
bool MatchAnyId(char** list, const IdPattern& pattern);
