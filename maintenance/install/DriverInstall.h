#pragma once

// Driver installation from the command line: "/InstallDriver32 <inf>" removes every node of
// the instrument and then stores the INF in the driver store; "/InstallDriver64 <inf>" only
// stores it (retried once as replace-only). Both run against the Machine of the attached kernel.
//
// Exit statuses of an installation run.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/setup/SetupApi.h"

namespace platform {
class Machine;
}

constexpr int kInstallStored = 0;      // the INF is in the driver store
constexpr int kInstallCopyFailed = 2;  // the removal or the copy failed; one line on standard error says why
constexpr int kInstallNoInf = 3;       // no INF path, or more than one, was given

// The instrument's instance-id pattern.
inline constexpr char kInstrumentPattern[] = "@USB\\VID_0452&PID_0201\\*";

enum class InstallOperation { None, Driver32, Driver64 };

// A switch is a whole argument; with both, the 32-bit operation runs.
InstallOperation InstallOperationOf(const std::vector<std::string>& arguments);
// The one argument that is neither a switch nor empty, taken as given; nullopt when there is
// none or more than one.
std::optional<std::string> InfPathOf(const std::vector<std::string>& arguments);

// SetupCopyOEMInfA(path, no media, SPOST_PATH, style, destination, MAX_PATH, ...): nonzero on
// success. `destination` holds MAX_PATH characters.
BOOL CopyOemInf(const char* infPath, char* destination, DWORD copyStyle);

int InstallDriver32(const std::string& infPath);
int InstallDriver64(const std::string& infPath);

// The whole run for the program's arguments (argv[1..]): -1 when no switch applies, else the
// exit status. The Machine is built on `root` (nothing plugged), used and shut down; nothing
// outside the root is written.
int RunInstallOperation(const std::vector<std::string>& arguments, const std::filesystem::path& root);

// The program's own ORUpc.inf, embedded at build time.
std::string ProgramDriverInf();
// On a machine whose driver store is empty, stores the program's own INF (its bytes: no file
// is written outside the store). False when it could not be stored.
bool StoreProgramDriverPackage(platform::Machine& machine);
