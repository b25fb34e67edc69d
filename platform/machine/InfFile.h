#pragma once

// A setup information (INF) file as text: sections of lines, each line an optional key and its
// comma-separated fields, with quotes, "%name%" substitution from [Strings], ";" comments and "\"
// line continuation. Sections that appear more than once are one section, their lines in file
// order. Then what binding needs of it: [Version], the models of [Manufacturer] for this machine
// (the most specific decoration it matches) and the service each model's install section adds.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

struct InfLine {
  std::string key;                  // empty for a line without "="
  std::vector<std::string> fields;  // substituted, unquoted, trimmed
  int number = 0;                   // 1-based, of the line's start
};

// What the reader accepts: the platform's own limits on an INF's size and on a value's length,
// before and after "%name%" substitution.
inline constexpr std::size_t kLargestInf = 16u << 20;
inline constexpr std::size_t kLongestInfValue = 4096;

class InfFile {
 public:
  // Nullopt, with the reason, for text that is not an INF (NUL bytes, UTF-16, an unclosed
  // section name or quote) or that passes the limits above.
  static std::optional<InfFile> parse(std::string_view text, std::string* error = nullptr);

  // Lines of a section (names compare without case); null when absent.
  const std::vector<InfLine>* section(std::string_view name) const;
  // First field of the first line with `key` in `section`, or empty.
  std::string value(std::string_view section, std::string_view key) const;

 private:
  std::vector<std::vector<InfLine>> sections_;
  std::unordered_map<std::string, std::size_t> byName_;  // lower-case name -> sections_ index
};

struct InfVersion {
  std::string signature, className, classGuid, provider;
  std::string driverVer;  // "mm/dd/yyyy,w.x.y.z" (its two fields), or as much as is given
};

struct InfModel {
  std::string manufacturer;    // the [Manufacturer] entry's name
  std::string description;     // DriverDesc
  std::string installSection;  // InfSection, undecorated
  std::string service;         // AddService name; empty when the section adds none
  std::vector<std::string> ids;
};

struct InfDriver {
  InfVersion version;
  std::vector<InfModel> models;
};

// Nullopt, with the reason, when [Version] has no Signature "$Windows NT$" or "$Chicago$", no
// Class or no well-formed ClassGuid.
std::optional<InfDriver> ReadInfDriver(const InfFile& inf, std::string* error = nullptr);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits.
bool IsGuidText(std::string_view text);

}  // namespace platform
