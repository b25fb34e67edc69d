#include "platform/setup/SetupDiagnostics.h"

#include <map>
#include <mutex>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/win32/LastError.h"

namespace setup {

namespace {

std::mutex& failureMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, DWORD, std::less<>>& failures() {
  static std::map<std::string, DWORD, std::less<>> armed;
  return armed;
}

// Sets left open when the process ends are reported on standard error.
struct ExitReport {
  ~ExitReport() { ReportOpenDeviceInfoSets(stderr); }
} exitReport;

}  // namespace

std::size_t OpenDeviceInfoSets() { return LiveDeviceInfoSets(); }

std::size_t ReportOpenDeviceInfoSets(std::FILE* stream) {
  std::size_t open = LiveDeviceInfoSets();
  if (open != 0 && stream) std::fprintf(stream, "setup: %zu device information set(s) left open\n", open);
  return open;
}

void FailNextCall(std::string_view function, DWORD error) {
  std::lock_guard lock(failureMutex());
  failures()[std::string(function)] = error;
}

void ClearFailures() {
  std::lock_guard lock(failureMutex());
  failures().clear();
}

bool TakeFailure(std::string_view function) {
  std::lock_guard lock(failureMutex());
  auto it = failures().find(function);
  if (it == failures().end()) return false;
  SetLastError(it->second);
  failures().erase(it);
  return true;
}

}  // namespace setup
