#pragma once

// What the main frame's tests watch: the requests the frame posts to the worker (a thread that
// stands in for it), the notifications the frame handles, and stand-ins for every hosted window
// that record each call made on them.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/Win32Types.h"

class CORUpc144App;
class LinkContext;
class ViewFactory;

namespace frametest {

// A thread with a message queue that records every thread message posted to it.
class RequestRecorder {
 public:
  RequestRecorder();
  ~RequestRecorder();
  DWORD Id() const { return id_; }
  std::vector<MSG> Messages() const;
  std::vector<UINT> Ids() const;
  int Count(UINT id) const;
  void Clear();
  // True once `count` messages of `id` arrived; false after `ms`.
  bool WaitForCount(UINT id, int count, int ms = 5000) const;

 private:
  void Run();
  std::atomic<DWORD> id_{0};
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<MSG> messages_;
  // Last, so that everything the thread touches exists before it starts.
  std::thread thread_;
};

// For its life, the application's requests go to a recorder instead of the worker.
class ScopedRequestCapture {
 public:
  explicit ScopedRequestCapture(LinkContext& context);
  ~ScopedRequestCapture();
  RequestRecorder recorder;

 private:
  LinkContext& context_;
  DWORD saved_;
};

// Records the ids of the posted messages the main frame takes from its queue, in order.
class NotificationLog : public QObject {
 public:
  explicit NotificationLog(QObject* frame);
  std::vector<UINT> ids;
  int Count(UINT id) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Every call made on the stand-ins, as "view.Call(args)".
struct CallLog {
  QStringList calls;
  void Add(const QString& call) { calls << call; }
  int Count(const QString& call) const { return static_cast<int>(calls.count(call)); }
  void Clear() { calls.clear(); }
};

// Fills every slot of `factory` with a recording stand-in writing to `log`. The control panel
// stand-in has the controls 1150, 1152, 1154, 1058 (combos and buttons) and 1084 ("Capture"); the
// trace control stand-in 1045, 1046, 1058, 1166 (the four trigger types), 1167..1170.
void RegisterRecordingViews(ViewFactory& factory, CallLog& log);

}  // namespace frametest
