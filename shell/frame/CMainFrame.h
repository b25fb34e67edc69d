#pragma once

// The program's one top-level window: menus, tool bar, accelerators, the status bar with its
// panes and volume slider, the tabbed client window with the four tabs, the device-interface
// notification, the dispatch of the worker's notifications and the idle update that keeps every
// control in step with the device and run state.
//
// The worker and the PnP thread post to WindowHandle(); those posts become Qt events on the UI
// thread and are handled in the order they were posted (PreTranslateMessage).

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <map>
#include <memory>

#include "link/store/DocumentType.h"
#include "platform/win32/DeviceNotification.h"
#include "platform/win32/Win32Types.h"
#include "shell/model/CoalescedNotice.h"
#include "shell/model/Notifications.h"
#include "shell/views/FrameViews.h"

class CORUpc144App;
class CORUTabbedFrame;
class CORUStatusBar;
class CDownloadStatus;
class IDevelopDialog;
class IShellView;
class QAction;
class QCloseEvent;
class QTimer;
class QToolBar;

// Timer that drives the idle update once a second.
constexpr int kConnectionTimerMs = 1000;

class QPrinter;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CORUpc144App& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The window target's handle: what the worker is told in 2039 and what the device
  // notification posts to.
  HWND WindowHandle() const;

  CORUTabbedFrame* TabbedFrame() const { return tabbedFrame_; }
  CORUStatusBar* StatusBar() const { return statusBar_; }
  // The views of the tabs, filled as the tab frames make them.
  FrameViews& Views() { return views_; }
  // The firmware-download progress dialog; null until the first progress notification.
  CDownloadStatus* DownloadStatus() const { return downloadStatus_; }
  // The menu / tool-bar / accelerator action of a command id; null when there is none.
  QAction* Action(int commandId) const;

  // Update rules of every command, the status panes and the state synchronisation. Run by timer
  // ID_PANE_CONNECTION, after notifications (at most every 50 ms) and commands; tests call it directly.
  void RunIdleUpdate();
  int IdleUpdates() const { return idleUpdates_; }  // how many have run
  // Kills the connection timer and asks the worker to end (3000 ms handshake).
  void StopCommThread();

  // A file was opened as `type`: its tab comes to the front, the window takes `title`, the
  // capture view lays out and repaints once and every other view takes the document's update.
  void ShowDocument(DocumentType type, const QString& title);

  // One command by id: the frame's own or the application's.
  void OnCommand(int commandId);
  void OnLoadApplication();   // ID_LOAD_APPLICATION
  void OnDevelopment();       // ID_DEVELOPMENT
  void OnUSBList();           // ID_USB_LIST
  void OnFilePrint();         // ID_FILE_PRINT
  void OnFilePrintPreview();  // ID_FILE_PRINT_PREVIEW
  void OnFilePrintSetup();    // ID_FILE_PRINT_SETUP
  // True while the active view prints.
  bool IsPrinting() const { return printing_; }
  // The view that prints and takes the commands of the tab shown (the capture view on every tab
  // but SIGNAL TRACE); null before the tabs exist.
  void SetActiveView(IShellView* view) { activeView_ = view; }
  IShellView* ActiveView() const { return activeView_; }

  // The dispatch of one message taken from the queue (a worker notification, a posted
  // WM_ERASEBKGND, a WM_DEVICECHANGE); true when it was consumed.
  bool PreTranslateMessage(const MSG& message);
  // WM_DEVICECHANGE: lParam points at a DEV_BROADCAST_HDR (or is 0).
  BOOL OnDeviceChange(WPARAM event, LPARAM data);

  // The text last computed for the connection pane.
  QString ConnectionPaneText() const { return connectionPaneText_; }
  // 1 while the control panel's Capture button shows "Capture".
  bool CaptureButtonIdle() const { return captureButtonIdle_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  class PostTarget;
  class NotificationHandler;

  void ScheduleIdleUpdate();
  void StopLostDeviceActivities();
  void BuildBars();
  void BuildClient();
  void RegisterDeviceInterface();
  void HandleDeviceInterfaceEvent(WPARAM event, const DEV_BROADCAST_DEVICEINTERFACE& record);
  void SynchroniseState();
  void ApplyUpdateRules();
  void UpdatePanes();
  void OnDownloadProgress(const notify::DownloadProgress& progress);
  void OnDownloadFinished(const notify::DownloadFinished& finished);
  void ShowClockResult(bool succeeded);
  void DetachViews();

  CORUpc144App& app_;
  FrameViews views_;
  CORUStatusBar* statusBar_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  CORUTabbedFrame* tabbedFrame_ = nullptr;
  CDownloadStatus* downloadStatus_ = nullptr;
  IDevelopDialog* developDialog_ = nullptr;
  IShellView* activeView_ = nullptr;
  QTimer* connectionTimer_ = nullptr;
  QTimer* idleTimer_ = nullptr;   // one idle update after a burst of notifications
  QElapsedTimer lastIdleUpdate_;  // since the last idle update ran
  int idleUpdates_ = 0;
  std::map<int, QAction*> actions_;
  QString connectionPaneText_;
  bool captureButtonIdle_ = true;
  bool printing_ = false;
  bool closing_ = false;
  std::unique_ptr<PostTarget> postTarget_;
  CoalescedNotice lineTestReadings_;  // the volt meter's readings reach the UI once per idle update
  // One printer for setup, print and preview, so the page set up is the one printed.
  std::unique_ptr<QPrinter> printer_;
  HWND hwnd_ = nullptr;
  HDEVNOTIFY deviceNotifyHandle_ = nullptr;
};
