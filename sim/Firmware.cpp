#include "sim/Firmware.h"

#include <cstdio>

#include "sim/Reply.h"
#include "sim/TextTokens.h"

namespace sim {
namespace {

bool isCapital(char c) { return c >= 'A' && c <= 'Z'; }

std::vector<std::string> splitFields(std::string_view text) {
  std::vector<std::string> out;
  size_t p = 0;
  while (true) {
    size_t colon = text.find(':', p);
    if (colon == std::string_view::npos) {
      out.emplace_back(text.substr(p));
      return out;
    }
    out.emplace_back(text.substr(p, colon - p));
    p = colon + 1;
  }
}

// A decimal field within [lo, hi], or none.
std::optional<int> field(const std::vector<std::string>& f, size_t i, int lo, int hi) {
  if (i >= f.size()) return std::nullopt;
  auto v = readInteger(f[i]);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return static_cast<int>(*v);
}

bool is(const std::vector<std::string>& f, std::initializer_list<const char*> want) {
  if (f.size() != want.size()) return false;
  size_t i = 0;
  for (const char* w : want) {
    if (w != nullptr && f[i] != w) return false;
    ++i;
  }
  return true;
}

}  // namespace

Firmware::Firmware() = default;

void Firmware::advance(Micros now) { trace_.advance(now); }

void Firmware::loadScenario(Scenario scenario, Micros now) {
  capture_.reset();
  trace_.reset();
  dtmf_.stop();
  line_.load(std::move(scenario), now);
}

void Firmware::powerCycle() {
  capture_.reset();
  trace_.reset();
  dtmf_.stop();
  stream_.stop();
  loader_.abort();
  cal_.reload();
}

std::string Firmware::execute(std::string_view command, Micros now) {
  std::string_view text = command;
  bool download = text.substr(0, 3) == "DA:";
  if (!download) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  }
  std::string reply;
  if (text.size() < 2 || !isCapital(text[0]) || !isCapital(text[1]) || (text.size() > 2 && text[2] != ':')) {
    reply = errorReply(kErrUnknown, text);
  } else {
    std::vector<std::string> f;
    if (text.size() > 2) f = splitFields(text.substr(3));
    reply = dispatch(text.substr(0, 2), f, text, now);
  }
  if (reply.size() > kMaxReply) reply.resize(kMaxReply);
  if (reply.rfind("er:", 0) == 0) lastError_ = reply[3] - '0';
  return reply;
}

std::string Firmware::dispatch(std::string_view name, const std::vector<std::string>& f, std::string_view text,
                               Micros now) {
  const std::string bad = errorReply(kErrField, name);
  if (name == "CA") {
    if (is(f, {"0"})) return capture_.arm(now);
    if (is(f, {"1"})) return capture_.poll(now);
    if (is(f, {"2"})) return capture_.stop(now);
    return bad;
  }
  if (name == "TN") return f.empty() ? capture_.closingText() : bad;
  if (name == "TC") {
    if (is(f, {"1"})) return trace_.poll(now);
    if (is(f, {"2"})) return trace_.stop();
    auto line = field(f, 1, 1, kLineCount);
    auto count = field(f, 2, 1, 1000);
    if (f.size() != 3 || f[0] != "0" || !line || !count) return bad;
    TraceSetup setup;
    setup.line = *line;
    setup.count = *count;
    setup.triggerType = config_.value(kItemTrigger);
    setup.ringbacks = config_.value(kItemNumber);
    setup.level = config_.value(kItemLevel);
    setup.scale = config_.value(kItemScale);
    setup.span = config_.value(kItemSpan);
    setup.digits = triggerText_;
    return trace_.arm(setup, now);
  }
  if (name == "DM") {
    auto line = field(f, 0, 0, kLineCount);
    if (f.size() != 1 || !line) return bad;
    return *line == 0 ? stream_.stop() : stream_.start(*line, now);
  }
  if (name == "VM") {
    auto line = field(f, 0, 1, kLineCount);
    auto mode = field(f, 1, 0, 2);
    if (f.size() != 2 || !line || !mode) return bad;
    replyDelay_ = meter_.measuringTime();
    return meter_.reading(*line, *mode, now + replyDelay_);
  }
  if (name == "DT") {
    if (is(f, {"1"})) return dtmf_.poll(now);
    if (is(f, {"2"})) return dtmf_.stop();
    if (f.size() == 2 && f[0] == "0") {
      auto line = readInteger(f[1]);
      if (!line) return bad;
      return dtmf_.start(*line >= 1 && *line <= kLineCount ? static_cast<int>(*line) : 0, now);
    }
    return bad;
  }
  if (name == "SH") {
    auto slot = field(f, 0, 1, StoredMemory::kSessions);
    return f.size() == 1 && slot ? memory_.sessionHeader(*slot) : bad;
  }
  if (name == "TH") {
    auto slot = field(f, 0, 1, StoredMemory::kTraces);
    return f.size() == 1 && slot ? memory_.traceHeader(*slot) : bad;
  }
  if (name == "RD") {
    if (f.empty()) return memory_.nextSessionLine();
    auto slot = field(f, 0, 1, StoredMemory::kSessions);
    return f.size() == 1 && slot ? memory_.startSessionDownload(*slot, config_.value(kItemLineForm)) : bad;
  }
  if (name == "RT") {
    if (f.empty()) return memory_.nextTraceLine();
    auto slot = field(f, 0, 1, 9);
    return f.size() == 1 && slot ? memory_.startTraceDownload(*slot) : bad;
  }
  if (name == "GC") return getConfig(f);
  if (name == "SC") return setConfig(f);
  if (name == "ST") {
    if (text.size() < 3) return bad;
    std::string_view t = text.substr(3);
    if (t.size() > 15) return bad;
    triggerText_ = std::string(t);
    return "st";
  }
  if (name == "GT") return f.empty() ? "gt:" + triggerText_ : bad;
  if (name == "LC") return calibrationCommand(f);
  if (name == "RC") return readFactors(f);
  if (name == "SR") return setClock(f, now);
  if (name == "GR") {
    if (!f.empty()) return bad;
    DateTime d = clock_.at(now);
    return "gr:" + d.date().substr(0, 2) + ":" + d.date().substr(3, 2) + ":" + d.date().substr(6, 2) + ":" + d.hh() +
           ":" + d.mm() + ":" + d.ss();
  }
  if (name == "VN") return f.empty() ? "vn:" + version_ : bad;
  if (name == "IM") {
    if (!f.empty()) return bad;
    int standard = config_.value(kItemStandard);
    return standard == 2 || standard == 3 ? "im:1" : "im:0";
  }
  if (name == "GE") {
    if (!f.empty()) return bad;
    std::string reply = "ge:" + std::to_string(lastError_);
    lastError_ = 0;
    return reply;
  }
  if (name == "DA") {
    if (text.size() < 3) return bad;  // a bare "DA" names no record
    std::string_view rest = text.substr(3);
    if (rest.substr(0, 2) != "0:") return bad;
    rest.remove_prefix(2);
    std::string_view bare = rest;
    while (!bare.empty() && (bare.back() == '\r' || bare.back() == '\n')) bare.remove_suffix(1);
    return bare == "SX" ? loader_.abort() : loader_.load(rest);
  }
  return errorReply(kErrUnknown, name);
}

std::string Firmware::getConfig(const std::vector<std::string>& f) {
  std::vector<int> ids;
  for (size_t i = 0; i < f.size(); ++i) {
    auto id = field(f, i, 0, 9999);
    if (!id) return errorReply(kErrField, "GC");
    ids.push_back(*id);
  }
  auto values = ids.empty() ? std::nullopt : config_.get(ids);
  if (!values) return errorReply(kErrField, "GC");
  std::string reply = "gc";
  for (const std::string& v : *values) reply += ":" + v;
  if (reply.size() > kMaxReply) return errorReply(kErrField, "GC");
  return reply;
}

std::string Firmware::setConfig(const std::vector<std::string>& f) {
  if (f.empty() || f.size() % 2 != 0) return errorReply(kErrField, "SC");
  std::vector<std::pair<int, long long>> pairs;
  for (size_t i = 0; i < f.size(); i += 2) {
    auto item = readInteger(f[i]);
    auto value = readInteger(f[i + 1]);
    if (!item || !value || *item < 0 || *item > 9999) return errorReply(kErrField, "SC");
    pairs.emplace_back(static_cast<int>(*item), *value);
  }
  return config_.set(pairs) ? "sc" : errorReply(kErrField, "SC");
}

std::string Firmware::calibrationCommand(const std::vector<std::string>& f) {
  if (is(f, {"0"})) {
    cal_.store();
    return "lc:0";
  }
  auto line = field(f, 0, 1, kLineCount);
  auto group = field(f, 1, 0, 1);
  auto offset = field(f, 2, -512, 512);
  auto gain = field(f, 3, 1, 4095);
  if (f.size() != 4 || !line || !group || !offset || !gain || !cal_.setFactors(*line, *group, *offset, *gain))
    return errorReply(kErrField, "LC");
  return "lc:" + std::to_string(*line) + ":" + std::to_string(*group);
}

std::string Firmware::readFactors(const std::vector<std::string>& f) {
  auto line = field(f, 0, 1, kLineCount);
  auto group = field(f, 1, 0, 1);
  if (f.size() != 2 || !line || !group) return errorReply(kErrField, "RC");
  CalFactors c = cal_.factors(*line);
  char buf[64];
  if (*group == 0)
    std::snprintf(buf, sizeof buf, "rc:%d:%d:%g", c.dcGain, c.dcOffset, kDcVoltsPerCount);
  else
    std::snprintf(buf, sizeof buf, "rc:%d:%d:%g", c.acGain, c.acOffset, kAcVoltsPerCount);
  return buf;
}

std::string Firmware::setClock(const std::vector<std::string>& f, Micros now) {
  if (f.size() != 6) return errorReply(kErrField, "SR");
  int v[6];
  for (size_t i = 0; i < 6; ++i) {
    auto x = field(f, i, 0, 99);
    if (!x) return errorReply(kErrField, "SR");
    v[i] = *x;
  }
  DateTime d{2000 + v[2], v[0], v[1], v[3], v[4], v[5]};
  return clock_.set(d, now) ? "sr" : errorReply(kErrField, "SR");
}

}  // namespace sim
