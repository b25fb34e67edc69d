#pragma once

// The application's fields that the worker shares: the data store, the device handle, the
// worker's published thread id, the two exit events, the "Options" setting the capture start
// reads, and the document's state. The application object owns one for the whole run; both
// threads read and write its words, so each is atomic.

#include <atomic>

#include "link/protocol/DocumentState.h"
#include "link/protocol/EnteredClock.h"
#include "link/store/OruData.h"
#include "platform/win32/Win32Types.h"

// "Options" codes: what a new capture does with the data held.
constexpr int CAPTURE_OPTION_CONCATENATE = 1;
constexpr int CAPTURE_OPTION_OVERWRITE = 2;
constexpr int CAPTURE_OPTION_AUTOSAVE = 4;

// Names of the two manual-reset exit events.
constexpr const char* kCommExitEventName = "ORUCommExitEvent";
constexpr const char* kCommExitRequestName = "ORUCommExitRequest";

class LinkContext {
 public:
  explicit LinkContext(CORUData& store) : dataStore(store) {}
  LinkContext(const LinkContext&) = delete;
  LinkContext& operator=(const LinkContext&) = delete;

  bool DeviceOpen() const { return deviceHandle.load() != INVALID_HANDLE_VALUE; }

  CORUData& dataStore;
  // The open instrument; INVALID_HANDLE_VALUE when there is no USB connection. The main frame
  // closes it on removal while the worker may be using it: a closed handle only makes the
  // worker's calls fail (handles are never reused).
  std::atomic<HANDLE> deviceHandle{INVALID_HANDLE_VALUE};
  std::atomic<DWORD> commThreadId{0};            // 0 = no worker
  std::atomic<HANDLE> commExitEvent{nullptr};    // set by the worker when it ends
  std::atomic<HANDLE> commExitRequest{nullptr};  // set to ask the worker to end
  std::atomic<int> captureOptions{CAPTURE_OPTION_AUTOSAVE};
  std::atomic<DocumentState*> document{nullptr};
  EnteredClock enteredClock;  // the clock dialog's date and time (WM_ORU_SET_CLOCK)
};
