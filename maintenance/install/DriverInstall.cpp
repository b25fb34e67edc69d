#include "maintenance/install/DriverInstall.h"

#include <cstdio>
#include <cstdlib>

#include "maintenance/install/InstallerOutput.h"
#include "maintenance/install/RemoveDevices.h"
#include "platform/machine/Machine.h"
#include "platform/setup/ErrorDetail.h"
#include "platform/setup/MessageFormat.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/LastError.h"

namespace {

constexpr char kSwitch32[] = "/InstallDriver32";
constexpr char kSwitch64[] = "/InstallDriver64";

std::string errorText(DWORD error) {
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n')) --n;
  return n ? std::string(text, n) : "error " + std::to_string(error);
}

// The run's one line on the error stream: the system's text for the error and, when the setup
// layer knew more, its reason.
int reportFailure(const std::string& infPath, DWORD error, const std::string& detail) {
  std::string text = errorText(error);
  if (!detail.empty()) {
    if (!text.empty() && text.back() == '.') text.pop_back();
    text += ": " + detail;
  }
  std::fprintf(InstallerErr(), "%s: %s\n", infPath.c_str(), text.c_str());
  return kInstallCopyFailed;
}

// Stores the INF, or reports why it could not be.
int copyOrReport(const std::string& infPath, bool retryReplaceOnly) {
  char destination[MAX_PATH];
  if (CopyOemInf(infPath.c_str(), destination, 0)) return kInstallStored;
  // The first attempt's error says why: a replace-only retry of a new INF only finds nothing.
  const DWORD error = GetLastError();
  const std::string detail = setup::LastErrorDetail();
  if (retryReplaceOnly && CopyOemInf(infPath.c_str(), destination, SP_COPY_REPLACEONLY)) return kInstallStored;
  return reportFailure(infPath, error, detail);
}

}  // namespace

InstallOperation InstallOperationOf(const std::vector<std::string>& arguments) {
  InstallOperation found = InstallOperation::None;
  for (const std::string& a : arguments) {
    if (a == kSwitch32) return InstallOperation::Driver32;
    if (a == kSwitch64) found = InstallOperation::Driver64;
  }
  return found;
}

std::optional<std::string> InfPathOf(const std::vector<std::string>& arguments) {
  std::optional<std::string> path;
  for (const std::string& a : arguments) {
    if (a.empty() || a == kSwitch32 || a == kSwitch64) continue;
    if (path) return std::nullopt;
    path = a;
  }
  return path;
}

BOOL CopyOemInf(const char* infPath, char* destination, DWORD copyStyle) {
  return SetupCopyOEMInfA(infPath, nullptr, SPOST_PATH, copyStyle, destination, MAX_PATH, nullptr, nullptr);
}

int InstallDriver32(const std::string& infPath) {
  char pattern[MAX_PATH];
  std::snprintf(pattern, sizeof pattern, "%s", kInstrumentPattern);
  char* patterns[] = {pattern};
  // A node whose removal failed (its state not saved) keeps its old driver: the run fails.
  RemoveContext tally;
  RemoveMatchingDevices(nullptr, nullptr, 1, 1, patterns, tally);
  if (tally.failure) return reportFailure(infPath, tally.failure, tally.failureDetail);
  return copyOrReport(infPath, false);
}

int InstallDriver64(const std::string& infPath) { return copyOrReport(infPath, true); }

int RunInstallOperation(const std::vector<std::string>& arguments, const std::filesystem::path& root) {
  InstallOperation operation = InstallOperationOf(arguments);
  if (operation == InstallOperation::None) return -1;
  std::optional<std::string> inf = InfPathOf(arguments);
  if (!inf) {
    std::fprintf(InstallerErr(), "usage: quorlan-view %s <file.inf>\n",
                 operation == InstallOperation::Driver32 ? kSwitch32 : kSwitch64);
    return kInstallNoInf;
  }
  if (root.empty()) {
    std::fprintf(InstallerErr(), "%s: no machine root (set QUORLAN_MACHINE_ROOT or HOME)\n", inf->c_str());
    return kInstallCopyFailed;
  }
  platform::MachineOptions options;
  options.root = root;
  platform::Machine machine(options);
  int status;
  if (!machine.setupStatePersistent()) {
    std::fprintf(InstallerErr(), "%s: the machine state under %s cannot be used: %s\n", inf->c_str(), root.c_str(),
                 machine.setupStateError().c_str());
    status = kInstallCopyFailed;
  } else {
    win32::DeviceSystemAttachment attached(machine.kernel());
    status = operation == InstallOperation::Driver32 ? InstallDriver32(*inf) : InstallDriver64(*inf);
  }
  std::fflush(InstallerOut());
  machine.shutdown();
  setup::ReportOpenDeviceInfoSets(InstallerErr());
  return status;
}

bool StoreProgramDriverPackage(platform::Machine& machine) {
  if (machine.driverPackageCount() != 0) return true;  // not the first start
  std::string name, path;
  platform::StoreResult result = machine.storeDriverPackage(ProgramDriverInf(), false, name, path);
  return result == platform::StoreResult::Stored || result == platform::StoreResult::AlreadyStored;
}
