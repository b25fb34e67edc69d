#pragma once

// A setup information (INF) file as text: sections of lines, each line an optional key and its
// comma-separated fields, with quotes, "%name%" substitution from [Strings], ";" comments and "\"
// line continuation. Then what binding needs of it: [Version], the models of [Manufacturer] for
// this machine (the ".NTamd64" decoration) and the service each model's install section adds.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct InfLine {
  std::string key;                  // empty for a line without "="
  std::vector<std::string> fields;  // substituted, unquoted, trimmed
  int number = 0;                   // 1-based, of the line's start
};

class InfFile {
public:
  // Nullopt, with the reason, for text that is not an INF (NUL bytes, UTF-16, an unclosed
  // section name or quote).
  static std::optional<InfFile> parse(std::string_view text, std::string* error = nullptr);

  // Lines of a section (names compare without case); null when absent.
  const std::vector<InfLine>* section(std::string_view name) const;
  // First field of the first line with `key` in `section`, or empty.
  std::string value(std::string_view section, std::string_view key) const;

private:
  struct Section {
    std::string name;
    std::vector<InfLine> lines;
  };
  std::vector<Section> sections_;
};

struct InfVersion {
  std::string signature, className, classGuid, provider, driverVer;
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
