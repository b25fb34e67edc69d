#pragma once

// CORUpc144App: the one application object. It owns the data store and the worker's shared
// context, the settings, the display font and the prompts; it starts the worker, builds the main
// frame and the document, runs the commands that belong to no single window (File New, Open and
// Close, the New Capture options, the colours, the device clock, About) and stops the worker at
// exit. Everything here runs on the user-interface thread.

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

#include "link/protocol/LinkContext.h"
#include "link/store/OruData.h"
#include "shell/CloseRequest.h"
#include "shell/prompts/PromptService.h"
#include "shell/StartupRecord.h"
#include "shell/views/FrameViews.h"
#include "shell/views/ViewContext.h"
#include "shell/views/ViewFactory.h"
#include "shell/model/AppSettings.h"
#include "shell/model/FileDialogSpec.h"

class CMainFrame;
class CORUCommThread;
class CORUTabbedFrame;
class CORUpc144Doc;
class SettingsFile;
class SingleInstance;
namespace win32 {
class DeviceSystemAttachment;
}

class CORUpc144App : public QObject, public ViewHost, public WorkerPort {
  Q_OBJECT
 public:
  explicit CORUpc144App(StartupRecord record);
  ~CORUpc144App() override;
  CORUpc144App(const CORUpc144App&) = delete;
  CORUpc144App& operator=(const CORUpc144App&) = delete;

  // Start-up: false ends the program (an installation switch, another instance running, the
  // worker not coming up). ExitInstance stops and joins the worker and saves the settings,
  // except after an installation run or in a second instance. Call it once, whatever
  // InitInstance returned.
  bool InitInstance();
  int ExitInstance();

  // ---- shared state -------------------------------------------------------------------------
  CORUData dataStore;
  LinkContext context{dataStore};
  AppSettings settings;
  QFont displayFont;  // "Courier New" with a 16-pixel cell

  CORUpc144Doc* currentDocument = nullptr;
  CMainFrame* mainFrame = nullptr;
  CORUTabbedFrame* tabbedFrame = nullptr;

  // The main frame's views. A window made without a main frame (a test of one window) finds its
  // siblings in a set of its own, empty unless the test fills it.
  FrameViews& Views() override;

  ViewFactory viewFactory;

  // What the windows are built with in place of the application.
  ViewContext& viewContext() { return viewContext_; }

  PromptService& prompts() { return prompts_; }
  const StartupRecord& startup() const { return record_; }

  // PostThreadMessage to the worker; nothing when there is none.
  void PostToWorker(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) override { PostToWorker(message, wParam, lParam); }
  // The worker while it runs (its load and processor time), else null.
  CORUCommThread* Worker() { return worker_.get(); }

  // ---- commands ----------------------------------------------------------------------------
  // Runs one of the application's or the document's commands (menu, tool bar, accelerator, a
  // WM_COMMAND of ID_SET_CLOCK_TO_PC_TIME / ID_ENTER_DEVICE_CLOCK); false when the id is not one of them.
  bool OnCommand(int id);
  // The update rule of an application command: true when the application has one for `id`,
  // then *enabled (and *checked, for the New Capture options) hold the state.
  bool UpdateCommand(int id, bool* enabled, bool* checked);

  void OnFileNew() override;
  void OnFileClose();
  void OnFileOpen();
  // File New for the main frame's close: true when the data may go (the frame then closes).
  bool NewCapture();
  // Asks about each modified type in turn (capture, then trace); false when one was declined or
  // failed to save.
  bool SaveModified();
  // "Quorlan View PC - " and the name after the path's last '/' or '\'; on the main window and
  // the document.
  void SetMainTitle(const QString& name) override;
  // Opens a capture or trace file (command line, recent files, File Open): it replaces only the
  // data of the type the name selects, after offering to save that type. False when the file
  // was not loaded (the paths and the title are then left alone).
  bool OpenDocumentFile(const QString& path);

  void OnNewCaptureConcatenate();
  void OnNewCaptureOverwrite();
  void OnNewCaptureAutosave();

  void OnSelectAnswerColor();
  void OnSelectOriginateColor();
  void OnSelectMarkerColor();
  void OnDefaultAnswerColor();
  void OnDefaultOriginateColor();
  void OnDefaultMarkerColor();
  void OnDefaultAllColors();

  void OnSetDeviceClockToPcTime();
  void OnEnterDeviceClock();
  void OnAppAbout();
  // How often the About box was run.
  int AboutRuns() const { return aboutRuns_; }

  // The document's update of all views.
  void UpdateViews() override;

  bool IsAnyActivityArmedOrRunning() const;
  // The tab the tabbed frame shows; 0 while there is none.
  int CurrentTab() const;
  void SelectTab(int index) override;
  void EnableTab(int index) override;
  CORUpc144Doc* Document() override { return currentDocument; }
  void RunFrameCommand(int id) override;

  // The recent-file list (at most 4, newest first) and adding to it.
  QStringList RecentFiles() const { return recentFiles_; }
  void AddToRecentFileList(const QString& path);

  // A request to end the program (a signal): ends the start-up, or closes the main window as its
  // own close does (CloseRequest.h).
  void RequestClose() { closeRequest_.Request(); }
  // True when such a request ended the start-up.
  bool StartupEndedByRequest() const { return closeRequest_.EndsStartup(); }

  // True after InitInstance found another instance and asked it to come to the front.
  bool IsSecondInstance() const { return secondInstance_; }
  bool IsInstallRun() const { return installRun_; }
  // How often another start asked this instance to come to the front.
  int RaiseRequests() const { return raiseRequests_; }

  // "Options" as set by its commands and the settings load; also the worker's copy.
  void SetCaptureOptions(int options);

 signals:
  void recentFilesChanged();
  void raisedByAnotherInstance();

 private:
  FileDialogSpec OpenDialogSpecFor() const;
  void RaiseMainWindow();
  void LoadSettings();
  void SaveSettings();
  void InvalidateMainWindow();
  void DiscardCapture(bool clearFlag);
  void DiscardTrace(bool clearFlag);
  void ApplyColorChoice(int slot);
  void ApplyDefaultColors(unsigned mask);

  StartupRecord record_;
  PromptService prompts_;
  CloseRequest closeRequest_{prompts_};
  std::unique_ptr<win32::DeviceSystemAttachment> attachment_;
  std::unique_ptr<SettingsFile> settingsFile_;
  std::unique_ptr<SingleInstance> instance_;
  std::unique_ptr<CORUpc144Doc> document_;
  std::unique_ptr<CORUCommThread> worker_;
  FrameViews standaloneViews_;
  ViewContext viewContext_{dataStore, context, settings, prompts_, displayFont, viewFactory, *this, *this};
  QPointer<CMainFrame> frameGuard_;  // reads null should the frame delete itself
  QStringList recentFiles_;
  bool newAllowed_ = false;
  int aboutRuns_ = 0;
  int raiseRequests_ = 0;
  bool secondInstance_ = false;
  bool installRun_ = false;
  bool started_ = false;
  bool exited_ = false;
};
