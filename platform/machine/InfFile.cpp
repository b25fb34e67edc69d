#include "platform/machine/InfFile.h"

#include <array>
#include <cctype>
#include <cstdlib>

namespace platform {

namespace {

// One field being collected: blanks outside quotes are kept only between other characters.
struct FieldBuilder {
  std::string text;
  std::string blanks;
  bool started = false;

  void blank(char c) {
    if (started) blanks.push_back(c);
  }
  void put(char c) {
    text += blanks;
    blanks.clear();
    text.push_back(c);
    started = true;
  }
  void quoted() {  // an empty "" still makes the field start
    text += blanks;
    blanks.clear();
    started = true;
  }
  std::string take() {
    std::string out = std::move(text);
    *this = {};
    return out;
  }
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

using StringTable = std::unordered_map<std::string, const std::string*>;  // lower-case name -> value

// [Strings] indexed once: the first definition of a name counts.
StringTable indexStrings(const std::vector<InfLine>* strings) {
  StringTable table;
  if (!strings) return table;
  table.reserve(strings->size());
  for (const InfLine& line : *strings) {
    if (!line.key.empty() && !line.fields.empty()) table.emplace(lower(line.key), &line.fields[0]);
  }
  return table;
}

// "%name%" from the string table; "%%" is one "%"; an unknown name stays as written. False when
// the result would be longer than any value may be.
bool substitute(std::string& text, const StringTable& strings) {
  if (text.find('%') == std::string::npos) return true;
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != '%') {
      out.push_back(text[at++]);
      continue;
    }
    std::size_t end = text.find('%', at + 1);
    if (end == std::string::npos) {
      out.append(text, at, std::string::npos);
      break;
    }
    std::string_view name(text.data() + at + 1, end - at - 1);
    if (name.empty()) {
      out.push_back('%');
    } else if (auto found = strings.find(lower(name)); found != strings.end()) {
      out += *found->second;
    } else {
      out.append(text, at, end - at + 1);
    }
    if (out.size() > kLongestInfValue) return false;
    at = end + 1;
  }
  if (out.size() > kLongestInfValue) return false;
  text = std::move(out);
  return true;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsGuidText(std::string_view text) {
  static constexpr std::string_view kShape = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
  if (text.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == 'x' ? !std::isxdigit(static_cast<unsigned char>(text[i])) : text[i] != kShape[i]) return false;
  }
  return true;
}

std::optional<InfFile> InfFile::parse(std::string_view text, std::string* error) {
  auto fail = [&](std::string why, int line) -> std::optional<InfFile> {
    if (error) *error = line ? "line " + std::to_string(line) + ": " + why : why;
    return std::nullopt;
  };
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
    return fail("UTF-16 text is not supported", 0);
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find('\0') != std::string_view::npos) return fail("the file holds NUL bytes", 0);
  if (text.size() > kLargestInf) return fail("the file is larger than " + std::to_string(kLargestInf) + " bytes", 0);

  InfFile inf;
  std::vector<InfLine>* current = nullptr;
  int number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    // One logical line: physical lines joined where one ends in "\" outside quotes and comments.
    ++number;
    const int first = number;
    InfLine line;
    line.number = first;
    FieldBuilder field;
    bool inQuote = false, inComment = false, haveKey = false, any = false, header = false;
    for (; at < text.size(); ++at) {
      char c = text[at];
      if (c == '\r') continue;
      if (c == '\n') {
        ++at;
        break;
      }
      if (inComment) {  // the rest of the line at once
        std::size_t eol = text.find('\n', at);
        at = (eol == std::string_view::npos ? text.size() : eol) - 1;
        continue;
      }
      if (inQuote) {
        if (c == '"') {
          if (at + 1 < text.size() && text[at + 1] == '"') {
            field.put('"');
            ++at;
          } else {
            inQuote = false;
          }
        } else {
          field.put(c);
        }
        continue;
      }
      if (!any && !isBlank(c) && c == '[') {
        // Section header: the name up to "]"; the rest of the line is ignored.
        std::size_t close = text.find(']', at);
        std::size_t eol = text.find('\n', at);
        if (close == std::string_view::npos || (eol != std::string_view::npos && close > eol))
          return fail("section name without ']'", first);
        std::string_view name = text.substr(at + 1, close - at - 1);
        while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
        while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
        // A name seen before continues its section.
        auto [it, added] = inf.byName_.try_emplace(lower(name), inf.sections_.size());
        if (added) inf.sections_.emplace_back();
        current = &inf.sections_[it->second];
        at = eol == std::string_view::npos ? text.size() : eol + 1;
        header = true;
        break;
      }
      if (c == ';') {
        inComment = true;
        continue;
      }
      if (c == '\\') {
        // Continuation when only blanks (or a comment) follow on this line.
        std::size_t next = at + 1;
        while (next < text.size() && (isBlank(text[next]) || text[next] == '\r')) ++next;
        if (next >= text.size() || text[next] == '\n' || text[next] == ';') {
          while (next < text.size() && text[next] != '\n') ++next;
          at = next;  // the loop's ++at steps over the line feed
          ++number;
          continue;
        }
      }
      if (isBlank(c)) {
        field.blank(c);
        continue;
      }
      any = true;
      if (c == '"') {
        inQuote = true;
        field.quoted();
      } else if (c == '=' && !haveKey && line.fields.empty()) {
        line.key = field.take();
        haveKey = true;
      } else if (c == ',') {
        line.fields.push_back(field.take());
      } else {
        field.put(c);
      }
    }
    if (header) continue;
    if (inQuote) return fail("quote not closed", first);
    if (!any) continue;
    line.fields.push_back(field.take());
    bool tooLong = line.key.size() > kLongestInfValue;
    for (const std::string& f : line.fields) tooLong = tooLong || f.size() > kLongestInfValue;
    if (tooLong) return fail("a value longer than " + std::to_string(kLongestInfValue) + " characters", first);
    if (current) current->push_back(std::move(line));  // lines before any section are ignored
  }

  const std::vector<InfLine>* stringLines = inf.section("Strings");
  const StringTable strings = indexStrings(stringLines);
  for (std::vector<InfLine>& lines : inf.sections_) {
    if (&lines == stringLines) continue;
    for (InfLine& line : lines) {
      bool fits = substitute(line.key, strings);
      for (std::string& f : line.fields) fits = fits && substitute(f, strings);
      if (!fits)
        return fail(
            "a value longer than " + std::to_string(kLongestInfValue) + " characters once its strings are put in",
            line.number);
    }
  }
  return inf;
}

const std::vector<InfLine>* InfFile::section(std::string_view name) const {
  auto it = byName_.find(lower(name));
  return it == byName_.end() ? nullptr : &sections_[it->second];
}

std::string InfFile::value(std::string_view sectionName, std::string_view key) const {
  if (const std::vector<InfLine>* lines = section(sectionName)) {
    for (const InfLine& line : *lines) {
      if (EqualsNoCase(line.key, key)) return line.fields.empty() ? std::string() : line.fields[0];
    }
  }
  return {};
}

namespace {

// This machine as a models decoration sees it: x64, Windows 10.0 build 19045, a workstation.
constexpr unsigned long kOsMajor = 10, kOsMinor = 0, kOsBuild = 19045, kWorkstation = 1;

// How specific a matching decoration is: its OS version (major, minor, build), then whether it
// names the architecture. Greater is more specific.
using DecorationRank = std::array<unsigned long, 4>;

// "NT[architecture][.major[.minor[.product type[.suite mask[.build]]]]]", or nullopt when the
// decoration is malformed or does not match this machine.
std::optional<DecorationRank> rankDecoration(std::string_view decoration) {
  const std::string text = lower(decoration);
  if (text.rfind("nt", 0) != 0) return std::nullopt;
  std::vector<std::string_view> parts;
  std::string_view rest = std::string_view(text).substr(2);
  for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1))
    parts.push_back(rest.substr(0, dot));
  parts.push_back(rest);
  if (parts.size() > 6 || (!parts[0].empty() && parts[0] != "amd64")) return std::nullopt;
  unsigned long number[6] = {};
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view p = parts[i];
    if (i == 4) continue;  // the suite mask: no suite rules out a package here
    if (p.size() > 9 || p.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    for (char c : p) number[i] = number[i] * 10 + static_cast<unsigned long>(c - '0');
  }
  const unsigned long major = number[1], minor = number[2], product = number[3], build = number[5];
  if (major > kOsMajor || (major == kOsMajor && minor > kOsMinor)) return std::nullopt;
  if (parts.size() > 3 && !parts[3].empty() && product != kWorkstation) return std::nullopt;
  if (build > kOsBuild) return std::nullopt;
  return DecorationRank{major, minor, build, parts[0].empty() ? 0ul : 1ul};
}

// The service of an install section on this machine: its .NTamd64, .NT or plain ".Services"
// section, the AddService marked as the device's function driver (flag 2) or else the first.
std::string serviceOf(const InfFile& inf, const std::string& install) {
  for (const char* decoration : {".NTamd64", ".NT", ""}) {
    const std::vector<InfLine>* lines = inf.section(install + decoration + ".Services");
    if (!lines) continue;
    std::string first;
    for (const InfLine& line : *lines) {
      if (!EqualsNoCase(line.key, "AddService") || line.fields.empty() || line.fields[0].empty()) continue;
      if (first.empty()) first = line.fields[0];
      unsigned long flags = line.fields.size() > 1 ? std::strtoul(line.fields[1].c_str(), nullptr, 0) : 0;
      if (flags & 0x2) return line.fields[0];
    }
    return first;
  }
  return {};
}

}  // namespace

std::optional<InfDriver> ReadInfDriver(const InfFile& inf, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<InfDriver> {
    if (error) *error = why;
    return std::nullopt;
  };
  InfDriver driver;
  InfVersion& v = driver.version;
  if (!inf.section("Version")) return fail("no [Version] section");
  v.signature = inf.value("Version", "Signature");
  v.className = inf.value("Version", "Class");
  v.classGuid = inf.value("Version", "ClassGuid");
  v.provider = inf.value("Version", "Provider");
  // "date,version": the entry's two fields as written.
  for (const InfLine& line : *inf.section("Version")) {
    if (!EqualsNoCase(line.key, "DriverVer")) continue;
    for (std::size_t i = 0; i < line.fields.size() && i < 2; ++i) v.driverVer += (i ? "," : "") + line.fields[i];
    break;
  }
  if (!EqualsNoCase(v.signature, "$Windows NT$") && !EqualsNoCase(v.signature, "$Chicago$"))
    return fail("[Version] has no Signature \"$Windows NT$\" or \"$Chicago$\"");
  if (v.className.empty()) return fail("[Version] names no Class");
  if (!IsGuidText(v.classGuid)) return fail("[Version] names no valid ClassGuid");

  std::unordered_map<std::string, std::string> services;  // install section -> its service
  if (const std::vector<InfLine>* manufacturers = inf.section("Manufacturer")) {
    for (const InfLine& m : *manufacturers) {
      if (m.fields.empty() || m.fields[0].empty()) continue;
      std::string models = m.fields[0];
      if (m.fields.size() > 1) {
        // Decorated: the most specific target this machine matches, or none of its models.
        const std::string* target = nullptr;
        DecorationRank best{};
        for (std::size_t i = 1; i < m.fields.size(); ++i) {
          std::optional<DecorationRank> rank = rankDecoration(m.fields[i]);
          if (rank && (!target || *rank > best)) {
            target = &m.fields[i];
            best = *rank;
          }
        }
        if (!target) continue;
        models += "." + *target;
      }
      const std::vector<InfLine>* lines = inf.section(models);
      if (!lines) continue;
      for (const InfLine& line : *lines) {
        if (line.fields.size() < 2 || line.fields[0].empty()) continue;
        InfModel model;
        model.manufacturer = m.key.empty() ? m.fields[0] : m.key;
        model.description = line.key;
        model.installSection = line.fields[0];
        // Many models share few install sections: each is looked up once.
        auto known = services.find(model.installSection);
        if (known == services.end())
          known = services.emplace(model.installSection, serviceOf(inf, model.installSection)).first;
        model.service = known->second;
        for (std::size_t i = 1; i < line.fields.size(); ++i) {
          if (!line.fields[i].empty()) model.ids.push_back(line.fields[i]);
        }
        if (!model.ids.empty()) driver.models.push_back(std::move(model));
      }
    }
  }
  return driver;
}

}  // namespace platform
