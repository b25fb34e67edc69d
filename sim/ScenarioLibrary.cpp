#include "sim/ScenarioLibrary.h"

#include "sim/EmbeddedTexts.h"
#include "sim/ScenarioParser.h"

namespace sim {

std::vector<std::string> builtinScenarioNames() {
  std::vector<std::string> out;
  for (size_t i = 0; i < kEmbeddedTextCount; ++i) {
    if (std::string_view(kEmbeddedTexts[i].extension) == ".scn") out.emplace_back(kEmbeddedTexts[i].name);
  }
  return out;
}

std::optional<std::string_view> builtinText(std::string_view name) {
  for (size_t i = 0; i < kEmbeddedTextCount; ++i) {
    if (name == kEmbeddedTexts[i].name)
      return std::string_view(reinterpret_cast<const char*>(kEmbeddedTexts[i].bytes), kEmbeddedTexts[i].size);
  }
  return std::nullopt;
}

std::optional<Scenario> builtinScenario(std::string_view name) {
  auto text = builtinText(name);
  if (!text) return std::nullopt;
  ParsedScenario parsed = parseScenario(*text);
  if (!parsed.ok()) return std::nullopt;
  return std::move(parsed.scenario);
}

}  // namespace sim
