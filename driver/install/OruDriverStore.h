#pragma once

// Puts the ORUpc driver into a machine's driver store for the instrument's hardware id, so that plugging the instrument
// in loads it.

namespace platform {
class Machine;
}

namespace oru {

void InstallDriver(platform::Machine& machine);

}  // namespace oru
