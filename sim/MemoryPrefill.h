#pragma once

// Fills the instrument's memory as it leaves the factory, from the manifest
// sim/scenarios/memory.mem:
//   session <slot 1-9> <scenario> call <n> at MM/DD/YY hh:mm:ss
//       the n-th call of a built-in scenario, captured whole
//   trace <slot 1-3> <scenario> trigger dialtone|dtmf|ringback|voltage [digits "<d>"]
//         [rings <n>] [level <percent>] range <0-3> span <0-4> line <1-3> at MM/DD/YY hh:mm:ss
//       a trace of 1000 samples recorded on the scenario played from its start

#include <string>
#include <string_view>

namespace sim {

class Firmware;

// The manifest's entries put into the firmware's memory; the error ("line N: ...") or empty.
std::string prefillMemory(Firmware& firmware, std::string_view manifest);
// The same with the built-in manifest.
std::string prefillMemory(Firmware& firmware);

}  // namespace sim
