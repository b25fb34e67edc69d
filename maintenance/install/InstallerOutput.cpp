#include "maintenance/install/InstallerOutput.h"

#include <cstdlib>
#include <mutex>

#include "platform/win32/LastError.h"

namespace {

std::mutex& hookMutex() {
  static std::mutex mutex;
  return mutex;
}

std::FILE* out = nullptr;
std::FILE* err = nullptr;
FatalErrorDisplay display;
std::function<void(int)> exitHook;

}  // namespace

std::FILE* InstallerOut() {
  std::lock_guard lock(hookMutex());
  return out ? out : stdout;
}

std::FILE* InstallerErr() {
  std::lock_guard lock(hookMutex());
  return err ? err : stderr;
}

void SetInstallerStreams(std::FILE* o, std::FILE* e) {
  std::lock_guard lock(hookMutex());
  out = o;
  err = e;
}

void PrintMessage(std::FILE* stream, DWORD messageId, std::initializer_list<DWORD_PTR> arguments) {
  char text[2048];
  std::vector<DWORD_PTR> values(arguments);
  values.resize(values.size() + 1);  // never an empty array
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, messageId, 0, text,
                           sizeof text, reinterpret_cast<va_list*>(values.data()));
  if (n == 0) return;
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n')) --n;
  text[n] = '\0';
  std::fprintf(stream, "%s\n", text);
}

void SetFatalErrorDisplay(FatalErrorDisplay d) {
  std::lock_guard lock(hookMutex());
  display = std::move(d);
}

void SetFatalErrorExit(std::function<void(int)> e) {
  std::lock_guard lock(hookMutex());
  exitHook = std::move(e);
}

void ReportFatalError(const char* step) {
  const DWORD error = GetLastError();
  char system[512] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, system,
                           sizeof system, nullptr);
  while (n > 0 && (system[n - 1] == '\r' || system[n - 1] == '\n')) system[--n] = '\0';
  char text[1024];
  std::snprintf(text, sizeof text, "%s failed with error %d: %s", step ? step : "", static_cast<int>(error), system);
  FatalErrorDisplay shown;
  std::function<void(int)> exit;
  {
    std::lock_guard lock(hookMutex());
    shown = display;
    exit = exitHook;
  }
  if (shown)
    shown(text, "Error");
  else
    std::fprintf(err ? err : stderr, "%s\n", text);
  if (exit)
    exit(static_cast<int>(error));
  else
    std::exit(static_cast<int>(error));
}
