#include "platform/machine/InfFile.h"

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

// "%name%" from the string table; "%%" is one "%"; an unknown name stays as written.
std::string substitute(const std::string& text, const std::vector<InfLine>* strings) {
  if (text.find('%') == std::string::npos) return text;
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
    } else {
      const InfLine* found = nullptr;
      if (strings) {
        for (const InfLine& line : *strings) {
          if (EqualsNoCase(line.key, name)) {
            found = &line;
            break;
          }
        }
      }
      if (found && !found->fields.empty()) out += found->fields[0];
      else out.append(text, at, end - at + 1);
    }
    at = end + 1;
  }
  return out;
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

  InfFile inf;
  Section* current = nullptr;
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
      if (inComment) continue;
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
        inf.sections_.push_back({std::string(name), {}});
        current = &inf.sections_.back();
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
    if (current) current->lines.push_back(std::move(line));  // lines before any section are ignored
  }

  const std::vector<InfLine>* strings = inf.section("Strings");
  for (Section& s : inf.sections_) {
    if (EqualsNoCase(s.name, "Strings")) continue;
    for (InfLine& line : s.lines) {
      line.key = substitute(line.key, strings);
      for (std::string& f : line.fields) f = substitute(f, strings);
    }
  }
  return inf;
}

const std::vector<InfLine>* InfFile::section(std::string_view name) const {
  // Sections of the same name are one section; the first one found holds the lines.
  for (const Section& s : sections_) {
    if (EqualsNoCase(s.name, name)) return &s.lines;
  }
  return nullptr;
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
  v.driverVer = inf.value("Version", "DriverVer");
  if (!EqualsNoCase(v.signature, "$Windows NT$") && !EqualsNoCase(v.signature, "$Chicago$"))
    return fail("[Version] has no Signature \"$Windows NT$\" or \"$Chicago$\"");
  if (v.className.empty()) return fail("[Version] names no Class");
  if (!IsGuidText(v.classGuid)) return fail("[Version] names no valid ClassGuid");

  if (const std::vector<InfLine>* manufacturers = inf.section("Manufacturer")) {
    for (const InfLine& m : *manufacturers) {
      if (m.fields.empty() || m.fields[0].empty()) continue;
      std::string models = m.fields[0];
      if (m.fields.size() > 1) {
        // Decorated: only a target for this machine's architecture counts.
        std::string target;
        for (std::size_t i = 1; i < m.fields.size(); ++i) {
          if (lower(m.fields[i]).rfind("ntamd64", 0) == 0) {
            target = m.fields[i];
            break;
          }
        }
        if (target.empty()) continue;
        models += "." + target;
      }
      const std::vector<InfLine>* lines = inf.section(models);
      if (!lines) continue;
      for (const InfLine& line : *lines) {
        if (line.fields.size() < 2 || line.fields[0].empty()) continue;
        InfModel model;
        model.manufacturer = m.key.empty() ? m.fields[0] : m.key;
        model.description = line.key;
        model.installSection = line.fields[0];
        model.service = serviceOf(inf, model.installSection);
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
