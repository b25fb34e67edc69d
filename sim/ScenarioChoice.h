#pragma once

// Which line the program's instrument plays, from the text of QUORLAN_SCENARIO: empty plays the
// default scenario, "idle" leaves the lines idle, a path ending in ".scn" is read as a scenario
// file, anything else names a built-in scenario, played for watching (WatchedLine.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/Scenario.h"

namespace sim {

inline constexpr std::string_view kDefaultScenario = "live-line";
inline constexpr std::string_view kIdleLines = "idle";
inline constexpr std::size_t kLargestScenarioFile = 1u << 20;

struct ScenarioChoice {
  std::optional<Scenario> scenario;  // none: idle lines
  std::string error;                 // why the choice cannot be played; empty when it can

  bool ok() const { return error.empty(); }
};

ScenarioChoice chooseScenario(std::string_view choice);

}  // namespace sim
