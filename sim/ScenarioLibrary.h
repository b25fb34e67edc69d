#pragma once

// The scenarios of sim/scenarios, compiled into the library so the instrument needs no files at
// run time. Names are the file names without ".scn"; the memory manifest is "memory".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Scenario.h"

namespace sim {

std::vector<std::string> builtinScenarioNames();
std::optional<std::string_view> builtinText(std::string_view name);
// The parsed scenario; none when there is no such scenario or its text does not parse.
std::optional<Scenario> builtinScenario(std::string_view name);

}  // namespace sim
