#include "sim/ScenarioParser.h"

#include <algorithm>
#include <stdexcept>

#include "sim/TextTokens.h"
#include "sim/Tones.h"

namespace sim {
namespace {

// What a scenario may hold, repeats included: everything is rendered into memory, so the bounds
// count both the items and the bytes they carry.
constexpr size_t kMaxItems = 200000;
constexpr size_t kMaxDataBytes = 4000000;  // the items' bytes and parity-error marks
constexpr size_t kMaxLineEvents = 20000;   // DC changes, statuses, tones and DTMF digits

struct Fail : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Parser {
 public:
  ParsedScenario run(std::string_view text) {
    ParsedScenario result;
    int lineNo = 0;
    try {
      forEachLine(text, lineNo, [this](std::string_view l) { line(l); });
      if (call_) throw Fail("call without endcall");
      finish();
    } catch (const Fail& f) {
      result.error = "line " + std::to_string(lineNo) + ": " + f.what();
      return result;
    }
    result.scenario = std::move(s_);
    return result;
  }

 private:
  Scenario s_;
  std::optional<CallScript> call_;
  bool callEnded_ = false;
  bool lengthGiven_ = false;
  std::vector<Token> t_;
  size_t at_ = 0;
  size_t items_ = 0;      // in every call so far
  size_t dataBytes_ = 0;  // likewise

  // ---- token access
  bool more() const { return at_ < t_.size(); }
  const Token& next(const char* what) {
    if (!more()) throw Fail(std::string("missing ") + what);
    return t_[at_++];
  }
  std::string word(const char* what) { return next(what).text; }
  bool peekWord(const char* w) const { return more() && !t_[at_].quoted && t_[at_].text == w; }
  void done() {
    if (more()) throw Fail("unexpected '" + t_[at_].text + "'");
  }
  double decimal(const char* what) {
    auto v = readDecimal(word(what));
    if (!v) throw Fail(std::string("bad ") + what);
    return *v;
  }
  Micros duration(const char* what) {
    double v = decimal(what);
    if (v < 0 || v > 1e7) throw Fail(std::string("bad ") + what);
    return fromSeconds(v);
  }
  long long integer(const char* what, long long lo, long long hi) {
    auto v = readInteger(word(what));
    if (!v || *v < lo || *v > hi) throw Fail(std::string("bad ") + what);
    return *v;
  }
  int lineNumber() { return static_cast<int>(integer("line number", 1, kLineCount)); }
  std::string quoted(const char* what) {
    const Token& tok = next(what);
    if (!tok.quoted) throw Fail(std::string(what) + " must be in double quotes");
    return tok.text;
  }
  Direction direction() {
    std::string w = word("direction");
    if (w == "answer" || w == "ans") return Direction::Answer;
    if (w == "originate" || w == "orig") return Direction::Originate;
    throw Fail("direction must be answer or originate");
  }
  std::vector<uint8_t> hexBytes() {
    std::vector<uint8_t> out;
    while (more() && !peekWord("every")) {
      std::string w = word("hex byte");
      if (w.size() != 2) throw Fail("bad hex byte '" + w + "'");
      int hi = hexValue(w[0]), lo = hexValue(w[1]);
      if (hi < 0 || lo < 0) throw Fail("bad hex byte '" + w + "'");
      out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    if (out.empty()) throw Fail("no bytes");
    return out;
  }

  // ---- lines
  void line(std::string_view text) {
    if (!readTokens<Fail>(text, t_, at_)) return;
    std::string key = word("directive");
    if (call_) {
      callLine(key);
      return;
    }
    if (key == "scenario") {
      s_.name = word("name");
    } else if (key == "title") {
      s_.title = quoted("title");
    } else if (key == "length") {
      s_.length = duration("length");
      if (s_.length <= 0) throw Fail("length must be above 0");
      lengthGiven_ = true;
    } else if (key == "repeat") {
      s_.repeat = true;
    } else if (key == "at") {
      atLine();
    } else if (key == "call") {
      CallScript c;
      c.at = duration("call time");
      if (more()) c.connectText = quoted("connect text");
      if (c.connectText.size() > 59) throw Fail("connect text longer than 59 characters");
      call_ = std::move(c);
      callEnded_ = false;
    } else {
      throw Fail("unknown directive '" + key + "'");
    }
    done();
  }

  // Room for `more` timed line events.
  void lineEvents(size_t more) {
    const size_t held = s_.dc.size() + s_.status.size() + s_.tones.size() + s_.dtmf.size();
    if (held + more > kMaxLineEvents)
      throw Fail("more than " + std::to_string(kMaxLineEvents) + " DC, status, tone and DTMF events");
  }

  void atLine() {
    Micros t = duration("time");
    lineEvents(1);
    std::string what = word("what");
    if (what == "dc") {
      DcChange d;
      d.at = t;
      d.line = lineNumber();
      d.volts = decimal("volts");
      if (d.volts < -200 || d.volts > 200) throw Fail("volts out of range");
      if (peekWord("ramp")) {
        ++at_;
        d.ramp = duration("ramp");
      } else {
        d.ramp = 20 * kMicrosPerMilli;
      }
      s_.dc.push_back(d);
    } else if (what == "status") {
      StatusChange sc;
      sc.at = t;
      sc.line = lineNumber();
      const Token& tok = next("status text");
      if (!tok.quoted && tok.text != "auto") throw Fail("status must be a quoted text or auto");
      sc.text = tok.quoted ? tok.text : "";
      if (sc.text.find(':') != std::string::npos) throw Fail("status text may not hold ':'");
      s_.status.push_back(sc);
    } else if (what == "tone") {
      toneLine(t);
    } else if (what == "dtmf") {
      int ln = lineNumber();
      std::string digits = word("digits");
      Micros on = 100 * kMicrosPerMilli, off = 100 * kMicrosPerMilli;
      while (more()) {
        std::string k = word("option");
        if (k == "on")
          on = duration("on time");
        else if (k == "off")
          off = duration("off time");
        else
          throw Fail("unknown dtmf option '" + k + "'");
      }
      if (on <= 0) throw Fail("on time must be above 0");
      lineEvents(digits.size());
      Micros start = t;
      for (char d : digits) {
        if (!dtmfFrequencies(d)) throw Fail(std::string("not a DTMF digit: ") + d);
        s_.dtmf.push_back(DtmfTone{ln, d, start, on});
        start += on + off;
      }
    } else {
      throw Fail("unknown 'at' action '" + what + "'");
    }
  }

  void toneLine(Micros t) {
    int ln = lineNumber();
    std::string kind = word("tone");
    // A new tone on a line ends the one before it.
    for (auto& span : s_.tones) {
      if (span.line == ln && span.start <= t && span.end > t) span.end = t;
    }
    if (kind == "off") return;
    ToneSpan span;
    if (kind == "dialtone")
      span = presetTone(ToneKind::DialTone, ln);
    else if (kind == "ringback")
      span = presetTone(ToneKind::Ringback, ln);
    else if (kind == "busy")
      span = presetTone(ToneKind::Busy, ln);
    else if (kind == "answer")
      span = presetTone(ToneKind::AnswerTone, ln);
    else if (kind == "ring")
      span = presetTone(ToneKind::Ringing, ln);
    else if (kind == "custom") {
      span.line = ln;
      span.kind = ToneKind::Custom;
      span.vppEach = decimal("peak-to-peak volts");
      if (span.vppEach < 0 || span.vppEach > 400) throw Fail("volts out of range");
      std::string list = word("frequencies");
      size_t p = 0;
      while (p <= list.size()) {
        size_t comma = list.find(',', p);
        if (comma == std::string::npos) comma = list.size();
        auto hz = readDecimal(list.substr(p, comma - p));
        if (!hz || *hz <= 0 || *hz > 8000) throw Fail("bad frequency");
        span.hz.push_back(*hz);
        p = comma + 1;
      }
    } else {
      throw Fail("unknown tone '" + kind + "'");
    }
    span.start = t;
    while (more()) {
      std::string k = word("option");
      if (k == "cadence") {
        span.on = duration("on time");
        span.off = duration("off time");
        if (span.on <= 0) throw Fail("cadence on time must be above 0");
      } else if (k == "for") {
        span.end = t + duration("tone length");
      } else {
        throw Fail("unknown tone option '" + k + "'");
      }
    }
    s_.tones.push_back(span);
  }

  // "every S count N" after an item: repeats it.
  void repeatItem(CallItem item) {
    Micros every = 0;
    long long count = 1;
    if (peekWord("every")) {
      ++at_;
      every = duration("repeat interval");
      if (word("count") != "count") throw Fail("expected 'count'");
      count = integer("count", 1, 100000);
    }
    const size_t n = static_cast<size_t>(count);
    if (items_ + n > kMaxItems) throw Fail("more than " + std::to_string(kMaxItems) + " items in the scenario");
    if (dataBytes_ + n * (item.bytes.size() + item.parityErrors.size()) > kMaxDataBytes)
      throw Fail("more than " + std::to_string(kMaxDataBytes) + " bytes of call data in the scenario");
    items_ += n;
    dataBytes_ += n * (item.bytes.size() + item.parityErrors.size());
    for (long long i = 0; i < count; ++i) {
      call_->items.push_back(item);
      item.offset += every;
    }
  }

  void callLine(const std::string& key) {
    CallScript& c = *call_;
    if (key == "endcall") {
      done();
      endCall();
      return;
    }
    if (callEnded_) throw Fail("nothing may follow 'end' or 'fail' but 'endcall'");
    if (key == "rate") {
      c.rate = static_cast<int>(integer("rate", 50, 64000));
    } else if (key == "format") {
      std::string f = word("format");
      if (f == "8N1")
        c.sevenE1 = false;
      else if (f == "7E1")
        c.sevenE1 = true;
      else
        throw Fail("format must be 8N1 or 7E1");
    } else if (key == "mode") {
      std::string m = word("mode");
      if (m == "async")
        c.sync = false;
      else if (m == "sync")
        c.sync = true;
      else
        throw Fail("mode must be async or sync");
    } else if (key == "wires") {
      c.wires = static_cast<int>(integer("wires", 2, 4));
      if (c.wires == 3) throw Fail("wires must be 2 or 4");
    } else if (key == "line") {
      c.line = lineNumber();
    } else if (key == "text" || key == "hex" || key == "frame") {
      CallItem item;
      item.kind = key == "frame" ? CallItemKind::Frame : CallItemKind::Data;
      item.offset = duration("offset");
      item.dir = direction();
      if (key == "text" || (key == "frame" && more() && t_[at_].quoted)) {
        std::string s = quoted("text");
        if (s.empty()) throw Fail("empty text");
        item.bytes.assign(s.begin(), s.end());
      } else {
        item.bytes = hexBytes();
      }
      if (key == "frame" && !c.sync) throw Fail("frames need 'mode sync' first");
      if (key != "frame" && c.sync) throw Fail("a synchronous call carries frames");
      if (key == "text" && peekWord("parity-errors")) {
        ++at_;
        if (!c.sevenE1) throw Fail("parity errors need 'format 7E1' first");
        std::string list = word("indexes");
        size_t p = 0;
        while (p <= list.size()) {
          size_t comma = list.find(',', p);
          if (comma == std::string::npos) comma = list.size();
          auto v = readInteger(list.substr(p, comma - p));
          if (!v || *v < 0 || static_cast<size_t>(*v) >= item.bytes.size()) throw Fail("bad parity-error index");
          item.parityErrors.push_back(static_cast<size_t>(*v));
          p = comma + 1;
        }
      }
      repeatItem(std::move(item));
    } else if (key == "event") {
      CallItem item;
      item.kind = CallItemKind::Event;
      item.offset = duration("offset");
      item.dir = direction();
      int cls = static_cast<int>(integer("event class", 0, 7));
      int code = static_cast<int>(integer("event code", 0, 7));
      int snr = static_cast<int>(integer("SNR grade", 0, 7));
      int state = static_cast<int>(integer("modem state", 0, 15));
      item.bytes = {static_cast<uint8_t>(cls << 5 | code << 2), static_cast<uint8_t>(snr << 4 | state)};
      repeatItem(std::move(item));
    } else if (key == "end") {
      c.endOffset = duration("end offset");
      if (word("'code'") != "code") throw Fail("expected 'code'");
      c.endCode = static_cast<int>(integer("end code", 1, 9));
      if (peekWord("text")) {
        ++at_;
        c.endText = quoted("end text");
        if (c.endText.size() > 31) throw Fail("end text longer than 31 characters");
        if (c.endText.find(':') != std::string::npos) throw Fail("end text may not hold ':'");
      }
      callEnded_ = true;
    } else if (key == "fail") {
      c.failOffset = duration("fail offset");
      c.failCode = static_cast<int>(integer("failure code", 0, 5));
      callEnded_ = true;
    } else {
      throw Fail("unknown call directive '" + key + "'");
    }
    done();
  }

  void endCall() {
    CallScript& c = *call_;
    if (!callEnded_) throw Fail("a call needs 'end' or 'fail'");
    if (c.connects() && c.connectText.empty()) throw Fail("a connecting call needs its connect text");
    if (!c.connects() && !c.items.empty()) throw Fail("a failing call carries no data");
    s_.calls.push_back(std::move(c));
    call_.reset();
  }

  void finish() {
    std::stable_sort(s_.dc.begin(), s_.dc.end(), [](auto& a, auto& b) { return a.at < b.at; });
    std::stable_sort(s_.status.begin(), s_.status.end(), [](auto& a, auto& b) { return a.at < b.at; });
    std::stable_sort(s_.dtmf.begin(), s_.dtmf.end(), [](auto& a, auto& b) { return a.start < b.start; });
    std::stable_sort(s_.calls.begin(), s_.calls.end(), [](auto& a, auto& b) { return a.at < b.at; });
    if (lengthGiven_) return;
    Micros last = 0;
    for (auto& d : s_.dc) last = std::max(last, d.at + d.ramp);
    for (auto& st : s_.status) last = std::max(last, st.at);
    for (auto& tn : s_.tones) last = std::max(last, tn.end < kForever ? tn.end : tn.start);
    for (auto& d : s_.dtmf) last = std::max(last, d.start + d.length);
    for (auto& c : s_.calls) {
      Micros end = c.connects() ? c.endOffset : *c.failOffset;
      for (auto& item : c.items) end = std::max(end, item.offset);
      last = std::max(last, c.at + end);
    }
    s_.length = last + kMicrosPerSecond;
    if (s_.repeat && s_.length <= 0) throw Fail("a repeating scenario needs a length");
  }
};

}  // namespace

ParsedScenario parseScenario(std::string_view text) { return Parser().run(text); }

}  // namespace sim
