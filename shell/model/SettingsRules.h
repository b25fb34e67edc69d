#pragma once

// Loading and saving the settings over an abstract key-value store (QSettings in the program, a
// map in tests). The store holds 32-bit values and byte strings under value names; "the key
// exists" means the store holds at least one value.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/model/AppSettings.h"

class CORUData;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual bool KeyExists() const = 0;
  // nullopt when the value is missing or not a 32-bit value.
  virtual std::optional<uint32_t> ReadDword(std::string_view name) const = 0;
  // The value's bytes; nullopt when it is missing or longer than `bufferSize`.
  virtual std::optional<std::string> ReadBinary(std::string_view name, std::size_t bufferSize) const = 0;
  // Opens the key for writing; false when it cannot be created (nothing is then saved).
  virtual bool BeginWrite() = 0;
  virtual void WriteDword(std::string_view name, uint32_t value) = 0;
  virtual void WriteBinary(std::string_view name, const std::string& bytes) = 0;
  virtual void EndWrite() = 0;
};

// Value names as stored; the key's unnamed value (the trace line) is "Default".
namespace setting {
constexpr const char* kAnswerColor = "Answer Color";
constexpr const char* kAnswerTextColor = "Answer Text Color";
constexpr const char* kOriginateColor = "Originate Color";
constexpr const char* kOriginateTextColor = "Originate Text Color";
constexpr const char* kMarkerColor = "Marker Color";
constexpr const char* kMarkerTextColor = "Marker Text Color";
constexpr const char* kOptions = "Options";
constexpr const char* kAutosaveFolder = "Autosave Folder";
constexpr const char* kViewType = "View Type";
constexpr const char* kStandard = "Standard";
constexpr const char* kFormat = "Format";
constexpr const char* kMode = "Mode";
constexpr const char* kLine = "Line";
constexpr const char* kSession = "Session";
constexpr const char* kShowParity = "Show Parity";
constexpr const char* kShowParityErrors = "Show Parity Errors";
constexpr const char* kShowModemEvents = "Show Modem Events";
constexpr const char* kCustomColors = "Custom Colors";
constexpr const char* kTraceScale = "Trace Scale";
constexpr const char* kTraceSpan = "Trace Span";
constexpr const char* kTraceTrigger = "Trace Trigger";
constexpr const char* kTriggerNumber = "Trigger Number";
constexpr const char* kRingbackQuantity = "Ringback Quantity";
constexpr const char* kDeltaV = "DeltaV";
constexpr const char* kTraceLine = "Default";
constexpr const char* kTraceSnap = "Trace Snap";
constexpr const char* kHdlcMode = "HDLCMode";
constexpr const char* kModem3Volume = "Modem 3 Volume";

constexpr std::size_t kFolderBuffer = 260;
constexpr std::size_t kCustomColorsBuffer = 64;
constexpr std::size_t kTriggerNumberBuffer = 12;
}  // namespace setting

// The program's folder from its file's path: cut after the last '/' or '\' (kept whole when there
// is none).
std::string ProgramFolderFromPath(std::string_view programPath);

// Reads every setting (defaults for what is missing or unreadable; the first-run defaults when
// the key does not exist) and copies the trace line into the store's selectedLine and
// "HDLCMode" / "Modem 3 Volume" into its configuration record.
void LoadSettings(const SettingsStore& source, const std::string& programFolder, AppSettings& settings,
                  CORUData& store);
// Writes every setting back, taking the trace line, "HDLCMode" and "Modem 3 Volume" from the
// store first. Nothing is written when the store cannot be opened for writing.
void SaveSettings(SettingsStore& target, AppSettings& settings, CORUData& store);
