#pragma once

// The application in-process with recording stand-ins for every hosted window.

#include "platform/win32/WindowTarget.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/StatusBar.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/frame/VolumeCtrl.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "tests/shell/FrameTestSupport.h"

namespace frametest {

class FrameFixture : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // The widget tests measure text; they need the fonts the program names.
    ASSERT_TRUE(CourierNewIsFixedPitch());
    beforeInit = [this](CORUpc144App& a) { RegisterRecordingViews(a.viewFactory, log); };
  }
  // Starts the application and lets the start-up notifications settle.
  bool StartAndSettle() {
    if (!Start()) return false;
    notes = new NotificationLog(frame());
    return SettleWorker();
  }
  CMainFrame* frame() { return app().mainFrame; }
  CORUTabbedFrame* tabs() { return frame()->TabbedFrame(); }
  CORUData& store() { return app().dataStore; }
  // Posts a notification to the frame as the worker does and waits until it was handled.
  void Notify(UINT id, WPARAM w = 0, LPARAM l = 0) {
    const int before = notes->Count(id);
    ASSERT_TRUE(PostMessage(frame()->WindowHandle(), id, w, l));
    ASSERT_TRUE(apptest::Eventually([&] { return notes->Count(id) > before; }));
    QCoreApplication::processEvents();
  }

  CallLog log;
  NotificationLog* notes = nullptr;
};

}  // namespace frametest
