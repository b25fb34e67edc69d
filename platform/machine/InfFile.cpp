#include "platform/machine/InfFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

#include "platform/machine/TextEncoding.h"

namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Names compare without the case of their ASCII letters, whatever the process's locale.
char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerChar(c);
  return out;
}

// <0, 0, >0 as `a` sorts before, with or after `b`, without case.
int compareNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(lowerChar(a[i])) - static_cast<unsigned char>(lowerChar(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One logical line's key and fields as written: quotes resolved, blanks outside quotes kept only
// between other characters, before substitution. The buffers are reused from line to line.
struct RawLine {
  std::string key;
  std::vector<std::string> fields;
  std::size_t count = 0;  // fields in use

  std::string current, blanks;  // the field being collected
  bool started = false;

  void clear() {
    key.clear();
    count = 0;
    current.clear();
    blanks.clear();
    started = false;
  }
  void put(char c) {
    current += blanks;
    blanks.clear();
    current.push_back(c);
    started = true;
  }
  void quoted() {  // an empty "" still makes the field start
    current += blanks;
    blanks.clear();
    started = true;
  }
  void blank(char c) {
    if (started) blanks.push_back(c);
  }
  void takeInto(std::string& to) {
    to.assign(current);
    current.clear();
    blanks.clear();
    started = false;
  }
  void takeField() {
    if (count == fields.size()) fields.emplace_back();
    takeInto(fields[count++]);
  }
};

enum class LineKind { End, Nothing, Header, Values, HeaderNotClosed, QuoteNotClosed };

// Reads the logical line at `at` (physical lines joined where one ends in "\" outside quotes and
// comments) and moves `at` past it; `physical` counts the physical lines read. A section header
// gives its name, trimmed; its line's rest is ignored.
LineKind readLine(std::string_view text, std::size_t& at, std::size_t& physical, RawLine& out,
                  std::string_view& header) {
  if (at >= text.size()) return LineKind::End;
  ++physical;
  out.clear();
  bool inQuote = false, haveKey = false, any = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\r') continue;
    if (c == '\n') {
      ++at;
      break;
    }
    if (inQuote) {
      if (c != '"') {
        out.put(c);
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        out.put('"');
        ++at;
      } else {
        inQuote = false;
      }
      continue;
    }
    if (!any && c == '[') {
      const std::size_t close = text.find(']', at);
      const std::size_t eol = text.find('\n', at);
      if (close == std::string_view::npos || (eol != std::string_view::npos && close > eol))
        return LineKind::HeaderNotClosed;
      header = trimmed(text.substr(at + 1, close - at - 1));
      at = eol == std::string_view::npos ? text.size() : eol + 1;
      return LineKind::Header;
    }
    if (c == ';') {  // the rest of the physical line at once
      const std::size_t eol = text.find('\n', at);
      at = eol == std::string_view::npos ? text.size() : eol + 1;
      break;
    }
    if (c == '\\') {
      // Continuation when only blanks (or a comment) follow on this line.
      std::size_t next = at + 1;
      while (next < text.size() && (isBlank(text[next]) || text[next] == '\r')) ++next;
      if (next >= text.size() || text[next] == '\n' || text[next] == ';') {
        while (next < text.size() && text[next] != '\n') ++next;
        at = next;  // the loop's ++at steps over the line feed
        ++physical;
        continue;
      }
    }
    if (isBlank(c)) {
      out.blank(c);
      continue;
    }
    any = true;
    if (c == '"') {
      inQuote = true;
      out.quoted();
    } else if (c == '=' && !haveKey && out.count == 0) {
      out.takeInto(out.key);
      haveKey = true;
    } else if (c == ',') {
      out.takeField();
    } else {
      out.put(c);
    }
  }
  if (inQuote) return LineKind::QuoteNotClosed;
  if (!any) return LineKind::Nothing;
  out.takeField();
  return LineKind::Values;
}

std::string valueTooLong() {
  return "a value longer than " + std::to_string(kLongestInfValue) + " characters once its strings are put in";
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && compareNoCase(a, b) == 0; }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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

// ---- reading --------------------------------------------------------------------------------

// "%name%" from [Strings]; "%%" is one "%"; an unknown name stays as written. Each piece of the
// result goes to `piece`, which returns false to stop.
template <typename Piece>
bool InfFile::expand(std::string_view text, Piece&& piece) const {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t open = text.find('%', at);
    if (open == std::string_view::npos) return piece(text.substr(at));
    if (open > at && !piece(text.substr(at, open - at))) return false;
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) return piece(text.substr(open));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    bool kept;
    if (name.empty()) {
      kept = piece("%");
    } else if (const StringEntry* found = findString(name)) {
      kept = piece(stringText(found->value));
    } else {
      kept = piece(text.substr(open, close - open + 1));
    }
    if (!kept) return false;
    at = close + 1;
  }
  return true;
}

const InfFile::StringEntry* InfFile::findString(std::string_view name) const {
  auto it = std::lower_bound(
      stringIndex_.begin(), stringIndex_.end(), name,
      [&](const StringEntry& e, std::string_view n) { return compareNoCase(stringText(e.name), n) < 0; });
  return it != stringIndex_.end() && EqualsNoCase(stringText(it->name), name) ? &*it : nullptr;
}

std::size_t InfFile::sectionIndex(std::string_view name) const {
  const std::string_view text(text_);
  auto it = std::lower_bound(sectionNames_.begin(), sectionNames_.end(), name, [&](Span s, std::string_view n) {
    return compareNoCase(text.substr(s.at, s.size), n) < 0;
  });
  if (it == sectionNames_.end() || !EqualsNoCase(text.substr(it->at, it->size), name)) return sectionNames_.size();
  return static_cast<std::size_t>(it - sectionNames_.begin());
}

InfLine InfFile::line(std::uint32_t start, bool substituted) const {
  RawLine raw;
  std::size_t at = start, physical = 0;
  std::string_view header;
  readLine(text_, at, physical, raw, header);
  auto put = [&](const std::string& value) {
    if (!substituted || value.find('%') == std::string::npos) return value;
    std::string out;
    expand(value, [&](std::string_view piece) {
      out += piece;
      return true;
    });
    return out;
  };
  InfLine out;
  out.key = put(raw.key);
  out.fields.reserve(raw.count);
  for (std::size_t i = 0; i < raw.count; ++i) out.fields.push_back(put(raw.fields[i]));
  return out;
}

InfLine InfSection::operator[](std::size_t index) const { return file_->line(starts_[index], substituted_); }

InfLine InfSection::at(std::size_t index) const {
  if (index >= count_) throw std::out_of_range("no such line in the section");
  return (*this)[index];
}

std::optional<InfSection> InfFile::section(std::string_view name) const {
  const std::size_t index = sectionIndex(name);
  if (index == sectionNames_.size()) return std::nullopt;
  const std::uint32_t first = sectionFirst_[index];
  return InfSection(*this, lineStarts_.data() + first, sectionFirst_[index + 1] - first, index != stringsSection_);
}

std::string InfFile::value(std::string_view sectionName, std::string_view key) const {
  if (std::optional<InfSection> lines = section(sectionName)) {
    for (const InfLine& line : *lines) {
      if (EqualsNoCase(line.key, key)) return line.fields.empty() ? std::string() : line.fields[0];
    }
  }
  return {};
}

std::optional<InfFile> InfFile::parse(std::string_view bytes, std::string* error) {
  InfFile inf;
  auto fail = [&](std::string why, std::size_t line) -> std::optional<InfFile> {
    if (error) *error = line ? "line " + std::to_string(line) + ": " + why : why;
    return std::nullopt;
  };
  if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF')))
    return fail("UTF-16 text is not supported", 0);
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.find('\0') != std::string_view::npos) return fail("the file holds NUL bytes", 0);
  if (bytes.size() > kLargestInf) return fail("the file is larger than " + std::to_string(kLargestInf) + " bytes", 0);
  inf.text_ = AsUtf8(bytes);
  const std::string_view text(inf.text_);
  auto lineNumberAt = [&](std::uint32_t start) {
    return static_cast<std::size_t>(std::count(text.begin(), text.begin() + start, '\n')) + 1;
  };

  // Every header, and the start of every line after one, in file order: a header's lines run up
  // to the next header's first.
  struct Header {
    Span name;
    std::uint32_t firstLine;  // in `starts`
  };
  std::vector<Header> headers;
  std::vector<std::uint32_t> starts;
  RawLine raw;
  std::string_view name;
  std::size_t at = 0, physical = 0;
  for (;;) {
    const std::size_t start = at, first = physical + 1;
    const LineKind kind = readLine(text, at, physical, raw, name);
    if (kind == LineKind::End) break;
    if (kind == LineKind::HeaderNotClosed) return fail("section name without ']'", first);
    if (kind == LineKind::QuoteNotClosed) return fail("quote not closed", first);
    if (kind == LineKind::Header) {
      headers.push_back(
          {{static_cast<std::uint32_t>(name.data() - text.data()), static_cast<std::uint32_t>(name.size())},
           static_cast<std::uint32_t>(starts.size())});
      continue;
    }
    if (kind != LineKind::Values) continue;
    bool tooLong = raw.key.size() > kLongestInfValue;
    for (std::size_t i = 0; i < raw.count; ++i) tooLong = tooLong || raw.fields[i].size() > kLongestInfValue;
    if (tooLong) return fail("a value longer than " + std::to_string(kLongestInfValue) + " characters", first);
    if (headers.empty()) continue;  // lines before any section are ignored
    starts.push_back(static_cast<std::uint32_t>(start));
  }
  auto runEnd = [&](std::size_t h) {
    return h + 1 < headers.size() ? headers[h + 1].firstLine : static_cast<std::uint32_t>(starts.size());
  };

  // Headers of one name (without case) are one section, named as first written.
  auto nameOf = [&](Span s) { return text.substr(s.at, s.size); };
  std::vector<std::uint32_t> sectionOf(headers.size());
  {
    std::vector<std::uint32_t> order(headers.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return compareNoCase(nameOf(headers[a].name), nameOf(headers[b].name)) < 0;
    });
    for (std::uint32_t h : order) {
      if (inf.sectionNames_.empty() || !EqualsNoCase(nameOf(inf.sectionNames_.back()), nameOf(headers[h].name)))
        inf.sectionNames_.push_back(headers[h].name);
      sectionOf[h] = static_cast<std::uint32_t>(inf.sectionNames_.size() - 1);
    }
  }
  inf.sectionFirst_.assign(inf.sectionNames_.size() + 1, 0);
  for (std::size_t h = 0; h < headers.size(); ++h)
    inf.sectionFirst_[sectionOf[h] + 1] += runEnd(h) - headers[h].firstLine;
  std::partial_sum(inf.sectionFirst_.begin(), inf.sectionFirst_.end(), inf.sectionFirst_.begin());
  inf.lineStarts_.resize(starts.size());
  {
    std::vector<std::uint32_t> next(inf.sectionFirst_.begin(), inf.sectionFirst_.end() - 1);
    for (std::size_t h = 0; h < headers.size(); ++h) {
      for (std::uint32_t i = headers[h].firstLine; i < runEnd(h); ++i)
        inf.lineStarts_[next[sectionOf[h]]++] = starts[i];
    }
  }

  // [Strings]: every name with its value as written; the first definition of a name counts.
  inf.stringsSection_ = inf.sectionIndex("Strings");
  if (const std::size_t s = inf.stringsSection_; s < inf.sectionNames_.size()) {
    for (std::uint32_t i = inf.sectionFirst_[s]; i < inf.sectionFirst_[s + 1]; ++i) {
      std::size_t lineAt = inf.lineStarts_[i], ignored = 0;
      readLine(text, lineAt, ignored, raw, name);
      if (raw.key.empty()) continue;
      StringEntry entry;
      entry.name = {static_cast<std::uint32_t>(inf.strings_.size()), static_cast<std::uint32_t>(raw.key.size())};
      inf.strings_ += raw.key;
      entry.value = {static_cast<std::uint32_t>(inf.strings_.size()), static_cast<std::uint32_t>(raw.fields[0].size())};
      inf.strings_ += raw.fields[0];
      inf.stringIndex_.push_back(entry);
    }
    std::stable_sort(inf.stringIndex_.begin(), inf.stringIndex_.end(), [&](const StringEntry& a, const StringEntry& b) {
      return compareNoCase(inf.stringText(a.name), inf.stringText(b.name)) < 0;
    });
  }

  // Every value once its strings are put in, measured without being made: each within the
  // value limit, all of them together within the package's.
  std::size_t total = 0;
  for (std::size_t h = 0; h < headers.size(); ++h) {
    if (sectionOf[h] == inf.stringsSection_) continue;
    for (std::uint32_t i = headers[h].firstLine; i < runEnd(h); ++i) {
      std::size_t lineAt = starts[i], ignored = 0;
      readLine(text, lineAt, ignored, raw, name);
      auto fits = [&](const std::string& value) {
        std::size_t size = 0;
        const bool kept = inf.expand(value, [&](std::string_view piece) {
          size += piece.size();
          return size <= kLongestInfValue;
        });
        total += size;
        return kept;
      };
      bool fit = fits(raw.key);
      for (std::size_t f = 0; fit && f < raw.count; ++f) fit = fits(raw.fields[f]);
      if (!fit) return fail(valueTooLong(), lineNumberAt(starts[i]));
      if (total > kLargestInfExpansion)
        return fail("its values come to more than " + std::to_string(kLargestInfExpansion) +
                        " characters once their strings are put in",
                    lineNumberAt(starts[i]));
    }
  }
  return inf;
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
    const std::optional<InfSection> lines = inf.section(install + decoration + ".Services");
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

// The models section a [Manufacturer] entry names for this machine: decorated, the most specific
// target this machine matches, or none.
std::optional<std::string> modelsSectionOf(const InfLine& entry) {
  std::string models = entry.fields[0];
  if (entry.fields.size() == 1) return models;
  const std::string* target = nullptr;
  DecorationRank best{};
  for (std::size_t i = 1; i < entry.fields.size(); ++i) {
    std::optional<DecorationRank> rank = rankDecoration(entry.fields[i]);
    if (rank && (!target || *rank > best)) {
      target = &entry.fields[i];
      best = *rank;
    }
  }
  if (!target) return std::nullopt;
  return models + "." + *target;
}

}  // namespace

std::optional<InfDriver> ReadInfDriver(const InfFile& inf, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<InfDriver> {
    if (error) *error = why;
    return std::nullopt;
  };
  InfDriver driver;
  InfVersion& v = driver.version;
  const std::optional<InfSection> version = inf.section("Version");
  if (!version) return fail("no [Version] section");
  v.signature = inf.value("Version", "Signature");
  v.className = inf.value("Version", "Class");
  v.classGuid = inf.value("Version", "ClassGuid");
  v.provider = inf.value("Version", "Provider");
  // "date,version": the entry's two fields as written.
  for (const InfLine& line : *version) {
    if (!EqualsNoCase(line.key, "DriverVer")) continue;
    for (std::size_t i = 0; i < line.fields.size() && i < 2; ++i) v.driverVer += (i ? "," : "") + line.fields[i];
    break;
  }
  if (!EqualsNoCase(v.signature, "$Windows NT$") && !EqualsNoCase(v.signature, "$Chicago$"))
    return fail("[Version] has no Signature \"$Windows NT$\" or \"$Chicago$\"");
  if (v.className.empty()) return fail("[Version] names no Class");
  if (!IsGuidText(v.classGuid)) return fail("[Version] names no valid ClassGuid");

  // The models every entry lists, counted before any is made.
  struct Listed {
    std::string manufacturer;
    InfSection lines;
  };
  std::vector<Listed> listed;
  std::size_t listedLines = 0;
  if (const std::optional<InfSection> manufacturers = inf.section("Manufacturer")) {
    for (const InfLine& m : *manufacturers) {
      if (m.fields.empty() || m.fields[0].empty()) continue;
      const std::optional<std::string> models = modelsSectionOf(m);
      const std::optional<InfSection> lines = models ? inf.section(*models) : std::nullopt;
      if (!lines || lines->empty()) continue;
      listedLines += lines->size();
      if (listedLines > kMostInfModels)
        return fail("its [Manufacturer] entries list more than " + std::to_string(kMostInfModels) + " models");
      listed.push_back({m.key.empty() ? m.fields[0] : m.key, *lines});
    }
  }

  // Many models share few install sections: each is looked up once, by its name without case.
  std::unordered_map<std::string, std::string> services;
  std::size_t kept = 0;  // characters the models hold
  for (const Listed& entry : listed) {
    for (const InfLine& line : entry.lines) {
      if (line.fields.size() < 2 || line.fields[0].empty()) continue;
      InfModel model;
      model.manufacturer = entry.manufacturer;
      model.description = line.key;
      model.installSection = line.fields[0];
      std::string key = lower(model.installSection);
      auto known = services.find(key);
      if (known == services.end()) known = services.emplace(std::move(key), serviceOf(inf, model.installSection)).first;
      model.service = known->second;
      kept += model.manufacturer.size() + model.description.size() + model.installSection.size() + model.service.size();
      for (std::size_t i = 1; i < line.fields.size(); ++i) {
        if (line.fields[i].empty()) continue;
        kept += line.fields[i].size();
        model.ids.push_back(line.fields[i]);
      }
      if (kept > kLargestInfExpansion)
        return fail("its models hold more than " + std::to_string(kLargestInfExpansion) + " characters");
      if (!model.ids.empty()) driver.models.push_back(std::move(model));
    }
  }
  return driver;
}

}  // namespace platform
