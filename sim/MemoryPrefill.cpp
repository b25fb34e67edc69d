#include "sim/MemoryPrefill.h"

#include <cstdio>
#include <stdexcept>

#include "sim/CallRenderer.h"
#include "sim/Firmware.h"
#include "sim/ScenarioLibrary.h"
#include "sim/TextTokens.h"
#include "sim/TraceEngine.h"

namespace sim {
namespace {

struct Fail : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Manifest {
 public:
  explicit Manifest(Firmware& fw) : fw_(fw) {}

  void line(std::string_view text) {
    if (!readTokens<Fail>(text, t_, at_)) return;
    std::string key = word();
    if (key == "session")
      session();
    else if (key == "trace")
      trace();
    else
      throw Fail("unknown entry '" + key + "'");
    if (at_ != t_.size()) throw Fail("unexpected '" + t_[at_].text + "'");
  }

 private:
  std::string word() {
    if (at_ >= t_.size()) throw Fail("entry ends too early");
    return t_[at_++].text;
  }
  int number(int lo, int hi) {
    auto v = readInteger(word());
    if (!v || *v < lo || *v > hi) throw Fail("number out of range");
    return static_cast<int>(*v);
  }
  void expect(const char* w) {
    if (word() != w) throw Fail(std::string("expected '") + w + "'");
  }
  Scenario scenario() {
    std::string name = word();
    auto s = builtinScenario(name);
    if (!s) throw Fail("no scenario '" + name + "'");
    return *s;
  }
  DateTime when() {
    expect("at");
    std::string d = word(), t = word();
    DateTime v;
    if (d.size() != 8 || t.size() != 8 || std::sscanf(d.c_str(), "%2d/%2d/%2d", &v.month, &v.day, &v.year) != 3 ||
        std::sscanf(t.c_str(), "%2d:%2d:%2d", &v.hour, &v.minute, &v.second) != 3)
      throw Fail("date and time must read MM/DD/YY hh:mm:ss");
    v.year += 2000;
    if (!RealTimeClock::valid(v)) throw Fail("no such date or time");
    return v;
  }

  void session() {
    int slot = number(1, StoredMemory::kSessions);
    Scenario s = scenario();
    expect("call");
    int n = number(1, static_cast<int>(s.calls.size()));
    const CallScript& call = s.calls[static_cast<size_t>(n - 1)];
    if (!call.connects()) throw Fail("that call never connects");
    StoredSession stored;
    stored.used = true;
    stored.name = call.connectText;
    stored.when = when();
    stored.endText = call.endText;
    stored.flags = static_cast<uint8_t>((call.sync ? kSessionSync : 0) | (call.wires == 4 ? kSession4Wire : 0) |
                                        (call.sevenE1 ? kSession7E1 : 0));
    stored.rate = call.rate;
    stored.bytes = renderCall(call).bytes;
    fw_.memory().setSession(slot, std::move(stored));
  }

  void trace() {
    int slot = number(1, StoredMemory::kTraces);
    Scenario s = scenario();
    TraceSetup setup;
    expect("trigger");
    std::string kind = word();
    if (kind == "dialtone")
      setup.triggerType = 0;
    else if (kind == "dtmf")
      setup.triggerType = 1;
    else if (kind == "ringback")
      setup.triggerType = 2;
    else if (kind == "voltage")
      setup.triggerType = 3;
    else
      throw Fail("unknown trigger '" + kind + "'");
    DateTime at;
    bool haveWhen = false;
    while (at_ < t_.size()) {
      std::string k = t_[at_].text;
      if (k == "at") {
        at = when();
        haveWhen = true;
        continue;
      }
      ++at_;
      if (k == "digits")
        setup.digits = word();
      else if (k == "rings")
        setup.ringbacks = number(1, 99);
      else if (k == "level")
        setup.level = number(-99, 99);
      else if (k == "range")
        setup.scale = number(0, 3);
      else if (k == "span")
        setup.span = number(0, 4);
      else if (k == "line")
        setup.line = number(1, kLineCount);
      else
        throw Fail("unknown trace option '" + k + "'");
    }
    if (!haveWhen) throw Fail("a trace needs 'at'");
    Micros length = s.length;
    LineModel line;
    line.load(std::move(s), 0);
    StoredMemory scratch;
    RealTimeClock clock;
    TraceEngine engine(line, fw_.calibration(), scratch, clock);
    auto recorded = engine.record(setup, 0, length);
    if (!recorded) throw Fail("the trace never triggers in that scenario");
    recorded->when = at;
    fw_.memory().setTrace(slot, std::move(*recorded));
  }

  Firmware& fw_;
  std::vector<Token> t_;
  size_t at_ = 0;
};

}  // namespace

std::string prefillMemory(Firmware& firmware, std::string_view manifest) {
  Manifest m(firmware);
  int lineNo = 0;
  try {
    forEachLine(manifest, lineNo, [&m](std::string_view l) { m.line(l); });
  } catch (const Fail& f) {
    return "line " + std::to_string(lineNo) + ": " + f.what();
  }
  return {};
}

std::string prefillMemory(Firmware& firmware) {
  auto text = builtinText("memory");
  if (!text) return "no built-in memory manifest";
  return prefillMemory(firmware, *text);
}

}  // namespace sim
