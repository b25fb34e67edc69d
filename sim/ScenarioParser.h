#pragma once

// Reads the scenario text format (sim/scenarios/README.md) into a Scenario.

#include <string>
#include <string_view>

#include "sim/Scenario.h"

namespace sim {

struct ParsedScenario {
  Scenario scenario;
  std::string error;  // "line N: what is wrong"; empty when the text was read

  bool ok() const { return error.empty(); }
};

ParsedScenario parseScenario(std::string_view text);

}  // namespace sim
