// Fuzz target for the simulated instrument's scenario parser: the input is a scenario text. It
// must be read or refused with a line-numbered error, never crash or allocate without bound; a
// scenario that is read must keep its own rules (lines 1 to 3, a call's items inside the call)
// and its calls must render.

#include <cstdint>
#include <string_view>

#include "FuzzWorker.h"
#include "sim/CallRenderer.h"
#include "sim/ScenarioParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const sim::ParsedScenario parsed = sim::parseScenario(text);
  if (!parsed.ok()) {
    Require(parsed.error.starts_with("line "));
    return 0;
  }
  const sim::Scenario& s = parsed.scenario;
  for (const auto& d : s.dc) Require(d.line >= 1 && d.line <= sim::kLineCount && d.ramp >= 0);
  for (const auto& t : s.tones) Require(t.line >= 1 && t.line <= sim::kLineCount && t.end >= t.start);
  for (const auto& d : s.dtmf) Require(d.line >= 1 && d.line <= sim::kLineCount);
  std::size_t bytes = 0;
  for (const sim::CallScript& call : s.calls) {
    Require(call.line >= 1 && call.line <= sim::kLineCount);
    for (const sim::CallItem& item : call.items) bytes += item.bytes.size();
  }
  // Rendering is linear in the bytes; keep each run short.
  if (bytes > 20000) return 0;
  for (const sim::CallScript& call : s.calls) {
    const sim::RenderedCall rendered = sim::renderCall(call);
    for (std::size_t i = 1; i < rendered.bytes.size(); ++i) Require(rendered.bytes[i].at >= rendered.bytes[i - 1].at);
  }
  return 0;
}
