#pragma once

// A setup information (INF) file as text: sections of lines, each line an optional key and its
// comma-separated fields, with quotes, "%name%" substitution from [Strings], ";" comments and "\"
// line continuation. Sections that appear more than once are one section, their lines in file
// order. Then what binding needs of it: [Version], the models of [Manufacturer] for this machine
// (the most specific decoration it matches) and the service each model's install section adds.
//
// The file keeps its text (as UTF-8: bytes that are not are read as Windows-1252) and an index of
// its sections and lines, a few bytes a line; a line's key and fields are read from the text when
// asked. Every name an INF compares without case (sections, strings, install sections) is found
// through a sorted index.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct InfLine {
  std::string key;                  // empty for a line without "="
  std::vector<std::string> fields;  // substituted, unquoted, trimmed
};

// What the reader accepts: the platform's own limits on an INF's size and on a value's length,
// before and after "%name%" substitution; then what one package may expand to: all its values
// with their strings put in, and its models once each [Manufacturer] entry is multiplied out by
// the lines of the section it names (their count, and the texts the models keep).
inline constexpr std::size_t kLargestInf = 16u << 20;
inline constexpr std::size_t kLongestInfValue = 4096;
inline constexpr std::size_t kLargestInfExpansion = kLargestInf;
inline constexpr std::size_t kMostInfModels = 100000;

class InfFile;

// The lines of one section, each read from the file's text when asked. Valid while its file is.
class InfSection {
 public:
  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = InfLine;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = InfLine;

    InfLine operator*() const { return (*section_)[index_]; }
    iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const iterator& other) const { return index_ == other.index_; }

   private:
    friend class InfSection;
    iterator(const InfSection* section, std::size_t index) : section_(section), index_(index) {}
    const InfSection* section_;
    std::size_t index_;
  };

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  InfLine operator[](std::size_t index) const;
  InfLine at(std::size_t index) const;  // std::out_of_range past the end
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, count_}; }

 private:
  friend class InfFile;
  InfSection(const InfFile& file, const std::uint32_t* starts, std::size_t count, bool substituted)
      : file_(&file), starts_(starts), count_(count), substituted_(substituted) {}

  const InfFile* file_;
  const std::uint32_t* starts_;  // where each line begins in the file's text
  std::size_t count_;
  bool substituted_;  // [Strings] itself is read as written
};

class InfFile {
 public:
  // Nullopt, with the reason, for text that is not an INF (NUL bytes, UTF-16, an unclosed
  // section name or quote) or that passes the limits above.
  static std::optional<InfFile> parse(std::string_view text, std::string* error = nullptr);

  // Lines of a section (names compare without case); nullopt when absent.
  std::optional<InfSection> section(std::string_view name) const;
  // First field of the first line with `key` in `section`, or empty.
  std::string value(std::string_view section, std::string_view key) const;

 private:
  friend class InfSection;
  // A piece of `text_` or of `strings_`.
  struct Span {
    std::uint32_t at = 0, size = 0;
  };
  struct StringEntry {
    Span name, value;  // in strings_
  };

  InfLine line(std::uint32_t start, bool substituted) const;
  // The [Strings] value of `name`, or null.
  const StringEntry* findString(std::string_view name) const;
  // `text` with "%name%" put in; false when a piece fails `piece` (see InfFile.cpp).
  template <typename Piece>
  bool expand(std::string_view text, Piece&& piece) const;
  std::string_view stringText(Span span) const { return std::string_view(strings_).substr(span.at, span.size); }
  std::size_t sectionIndex(std::string_view name) const;  // sectionNames_.size() when absent

  std::string text_;                         // the file as UTF-8
  std::vector<std::uint32_t> lineStarts_;    // grouped by section, file order within each
  std::vector<std::uint32_t> sectionFirst_;  // section i's lines: [sectionFirst_[i], sectionFirst_[i + 1])
  std::vector<Span> sectionNames_;           // in text_, sorted without case; index = section
  std::size_t stringsSection_ = 0;           // sectionNames_.size() when there is none
  std::string strings_;                      // [Strings] names and values as read
  std::vector<StringEntry> stringIndex_;     // sorted by name without case, the first definition first
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
// Class or no well-formed ClassGuid, or when the models pass the limits above.
std::optional<InfDriver> ReadInfDriver(const InfFile& inf, std::string* error = nullptr);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view text);
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with hexadecimal digits.
bool IsGuidText(std::string_view text);

}  // namespace platform
