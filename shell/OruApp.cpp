#include "shell/OruApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>

#include "link/worker/CommThread.h"
#include "link/store/DocumentType.h"
#include "link/files/FileType.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/machine/Machine.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/ThreadMessages.h"
#include "shell/dialogs/AboutDlg.h"
#include "shell/frame/CMainFrame.h"
#include "shell/panel/ControlView.h"
#include "shell/dialogs/ColorSelect.h"
#include "shell/OruDocument.h"
#include "shell/Settings.h"
#include "shell/SingleInstance.h"
#include "shell/dialogs/SplashDlg.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/dialogs/TimeEntry.h"
#include "shell/model/AppCommandIds.h"
#include "shell/model/AppCommandRules.h"
#include "shell/model/ColorSettings.h"
#include "shell/model/DocumentDialogs.h"
#include "shell/model/CommandLine.h"
#include "shell/model/MainTitle.h"
#include "shell/model/SettingsRules.h"

namespace {

constexpr DWORD kPublishWaitMs = 5000;
constexpr DWORD kStopWaitMs = 3000;
constexpr const char* kNoUsbText = "No USB connection to ORUpc";
constexpr const char* kCommErrorTitle = "COMM Error";
constexpr const char* kUnknownFileType = "Unknown file type";
constexpr const char* kAppTitle = "Quorlan View PC";

std::vector<std::string> ToStrings(const QStringList& list) {
  std::vector<std::string> out;
  for (const QString& item : list) out.push_back(item.toStdString());
  return out;
}

// A height of 16 asks the platform for a 16-pixel cell (ascent and descent), not a 16-pixel em.
constexpr int kDisplayCellHeight = 16;

// `face` at the largest pixel size whose line (ascent + descent) is at most `cell` pixels.
QFont FontWithCellHeight(const QString& face, int cell) {
  QFont font(face);
  int pixels = cell;
  font.setPixelSize(pixels);
  while (pixels > 1 && QFontMetrics(font).height() > cell) font.setPixelSize(--pixels);
  return font;
}

}  // namespace

CORUpc144App::CORUpc144App(StartupRecord record) : record_(std::move(record)), prompts_(record_.answerer) {
  displayFont = FontWithCellHeight(QStringLiteral("Courier New"), kDisplayCellHeight);
  if (record_.machine) attachment_ = std::make_unique<win32::DeviceSystemAttachment>(record_.machine->kernel());
  RegisterControlView(viewFactory);  // the shell's own pane; a test may register a stand-in
}

CORUpc144App::~CORUpc144App() {
  ExitInstance();
  attachment_.reset();
}

bool CORUpc144App::InitInstance() {
  started_ = true;
  const CommandLine line = ParseCommandLine(ToStrings(record_.arguments));
  // The installation runs before the application exists (main); here it only ends the start.
  if (line.install != InstallSwitch::None) {
    installRun_ = true;
    return false;
  }
  if (record_.showSplash) {
    CORUSplashDlg splash;
    splash.exec();
  }
  instance_ = std::make_unique<SingleInstance>(record_.instanceServerName);
  if (instance_->AskRunningInstanceToRaise()) {
    secondInstance_ = true;
    return false;
  }
  instance_->Listen();
  connect(instance_.get(), &SingleInstance::raiseRequested, this, &CORUpc144App::RaiseMainWindow);

  LoadSettings();
  dataStore.firmwareNewA = 0;
  dataStore.firmwareNewB = 0;

  document_ = std::make_unique<CORUpc144Doc>(*this);
  currentDocument = document_.get();
  mainFrame = new CMainFrame(*this);
  frameGuard_ = mainFrame;
  if (tabbedFrame == nullptr) tabbedFrame = mainFrame->TabbedFrame();
  prompts_.SetParentWindow(mainFrame);

  OnFileNew();
  if (!line.file.empty()) OpenDocumentFile(QString::fromStdString(line.file));
  dataStore.resyncPending = 0;
  mainFrame->show();

  CreateCommExitEvents(context);
  context.document = document_.get();
  worker_ = CORUCommThread::Start(context, record_.workerClock);
  if (!worker_ || !worker_->WaitForPublishedId(kPublishWaitMs)) return false;
  PostToWorker(WM_ORU_SET_NOTIFY_WINDOW, reinterpret_cast<WPARAM>(mainFrame->WindowHandle()), 0);
  return true;
}

int CORUpc144App::ExitInstance() {
  if (exited_ || !started_) return 0;
  exited_ = true;
  if (worker_) {
    StopCommThread(context, kStopWaitMs);
    worker_.reset();  // joins the thread
  }
  if (context.commExitEvent.load() != nullptr || context.commExitRequest.load() != nullptr)
    CloseCommExitEvents(context);
  context.document = nullptr;
  if (document_) document_->CloseDocument();
  if (!installRun_ && !secondInstance_ && settingsFile_) SaveSettings();
  // The frames and their views go before the document and the store they read.
  if (mainFrame) {
    delete frameGuard_.data();
    mainFrame = nullptr;
    tabbedFrame = nullptr;
  }
  currentDocument = nullptr;
  document_.reset();
  instance_.reset();
  return 0;
}

void CORUpc144App::LoadSettings() {
  settingsFile_ = std::make_unique<SettingsFile>(record_.settingsFile);
  QString folder = record_.programFolder;
  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
  if (!folder.endsWith('/')) folder += '/';
  ::LoadSettings(*settingsFile_, ProgramFolderFromPath(folder.toStdString()), settings, dataStore);
  context.captureOptions = settings.options;
  recentFiles_ = settingsFile_->ReadRecentFiles(cmd::kRecentFiles);
}

void CORUpc144App::SaveSettings() {
  ::SaveSettings(*settingsFile_, settings, dataStore);
  settingsFile_->WriteRecentFiles(recentFiles_);
}

void CORUpc144App::RaiseMainWindow() {
  ++raiseRequests_;
  if (mainFrame) {
    if (mainFrame->isMinimized()) mainFrame->showNormal();
    mainFrame->show();
    mainFrame->raise();
    mainFrame->activateWindow();
  }
  emit raisedByAnotherInstance();
}

void CORUpc144App::PostToWorker(UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD id = context.commThreadId.load();
  if (id != 0) PostThreadMessage(id, message, wParam, lParam);
}

bool CORUpc144App::IsAnyActivityArmedOrRunning() const {
  return dataStore.captureArmed.load() == 1 || dataStore.captureRunning.load() == 1 ||
         dataStore.traceTriggerArmed.load() == 1 || dataStore.traceRunning.load() == 1;
}

int CORUpc144App::CurrentTab() const { return tabbedFrame ? tabbedFrame->GetCurrentTab() : 0; }

void CORUpc144App::SelectTab(int index) {
  if (tabbedFrame) tabbedFrame->SelectTab(index);
}

void CORUpc144App::SetCaptureOptions(int options) {
  settings.options = options;
  context.captureOptions = options;
}

// ---- commands --------------------------------------------------------------------------------

bool CORUpc144App::OnCommand(int id) {
  if (id >= cmd::kFileMru1 && id < cmd::kFileMru1 + cmd::kRecentFiles) {
    const int index = id - cmd::kFileMru1;
    if (index < recentFiles_.size() && !IsAnyActivityArmedOrRunning()) OpenDocumentFile(recentFiles_[index]);
    return true;
  }
  switch (id) {
    case cmd::kFileNew:
      OnFileNew();
      return true;
    case cmd::kFileOpen:
      OnFileOpen();
      return true;
    case cmd::kFileClose:
      OnFileClose();
      return true;
    case cmd::kFileSave:
      if (document_) document_->OnFileSave();
      return true;
    case cmd::kFileSaveAs:
      if (document_) document_->OnFileSaveAs();
      return true;
    case cmd::kExportText:
      if (document_) document_->OnFileExport();
      return true;
    case cmd::kSetAutosaveFolder:
      if (document_) document_->OnSetAutosaveFolder();
      return true;
    case cmd::kNewCaptureConcatenate:
      OnNewCaptureConcatenate();
      return true;
    case cmd::kNewCaptureOverwrite:
      OnNewCaptureOverwrite();
      return true;
    case cmd::kNewCaptureAutosave:
      OnNewCaptureAutosave();
      return true;
    case cmd::kSelectAnswerColor:
      OnSelectAnswerColor();
      return true;
    case cmd::kSelectOriginateColor:
      OnSelectOriginateColor();
      return true;
    case cmd::kSelectMarkerColor:
      OnSelectMarkerColor();
      return true;
    case cmd::kDefaultAnswerColor:
      OnDefaultAnswerColor();
      return true;
    case cmd::kDefaultOriginateColor:
      OnDefaultOriginateColor();
      return true;
    case cmd::kDefaultMarkerColor:
      OnDefaultMarkerColor();
      return true;
    case cmd::kDefaultAllColors:
      OnDefaultAllColors();
      return true;
    case cmd::kSetDeviceClockToPcTime:
      OnSetDeviceClockToPcTime();
      return true;
    case cmd::kEnterDeviceClock:
      OnEnterDeviceClock();
      return true;
    case cmd::kAppAbout:
      OnAppAbout();
      return true;
    default:
      return false;
  }
}

bool CORUpc144App::UpdateCommand(int id, bool* enabled, bool* checked) {
  AppCommandInputs inputs;
  inputs.options = settings.options;
  inputs.activity = IsAnyActivityArmedOrRunning();
  inputs.mainWindow = mainFrame != nullptr;
  if (id == cmd::kFileSave || id == cmd::kFileSaveAs) {
    std::lock_guard lock(dataStore.dataMutex);
    inputs.dataHeld = !dataStore.captureBuffer.IsEmpty() || !dataStore.traceSamples.IsEmpty();
  }
  const std::optional<CommandState> state = AppCommandState(id, inputs);
  if (!state) return false;
  if (enabled) *enabled = state->enabled;
  if (checked) *checked = state->checked;
  return true;
}

void CORUpc144App::DiscardCapture(bool clearFlag) {
  dataStore.ClearCapture();
  FrameViews& views = Views();
  if (views.sessionView) views.sessionView->Refresh();
  if (clearFlag && document_) document_->SetTypeModified(0, DOCUMENT_CAPTURE);
  if (views.activeCaptureView) {
    views.activeCaptureView->Refresh();
    views.activeCaptureView->Redraw();
  }
}

void CORUpc144App::DiscardTrace(bool clearFlag) {
  {
    std::lock_guard lock(dataStore.dataMutex);
    dataStore.traceSamples.RemoveAll();
  }
  if (clearFlag && document_) document_->SetTypeModified(0, DOCUMENT_TRACE);
}

void CORUpc144App::OnFileNew() {
  if (!document_) return;
  CORUpc144Doc& doc = *document_;
  if (!doc.IsDocumentOpen()) {
    doc.OnNewDocument();
    newAllowed_ = 1;
    return;
  }
  if (doc.IsTypeModified(DOCUMENT_CAPTURE)) {
    SelectTab(0);
    if (!doc.SaveModified(DOCUMENT_CAPTURE)) {
      newAllowed_ = 0;
      return;
    }
    DiscardCapture(true);
  }
  if (doc.IsTypeModified(DOCUMENT_TRACE)) {
    SelectTab(1);
    if (!doc.SaveModified(DOCUMENT_TRACE)) {
      newAllowed_ = 0;
      return;
    }
    DiscardTrace(true);
  }
  if (doc.IsTypeModified(DOCUMENT_CAPTURE) || doc.IsTypeModified(DOCUMENT_TRACE)) {
    newAllowed_ = 0;
    return;
  }
  DiscardCapture(false);
  DiscardTrace(false);
  doc.OnNewDocument();
  newAllowed_ = 1;
}

void CORUpc144App::OnFileClose() { OnFileNew(); }

int CORUpc144App::NewCapture() {
  OnFileNew();
  return newAllowed_;
}

bool CORUpc144App::SaveModified() {
  if (!document_) return true;
  return document_->SaveModified(DOCUMENT_CAPTURE) && document_->SaveModified(DOCUMENT_TRACE);
}

void CORUpc144App::OnFileOpen() {
  const auto path = prompts_.GetOpenFileName(OpenDialogSpecFor());
  if (!path) return;
  OpenDocumentFile(*path);
}

FileDialogSpec CORUpc144App::OpenDialogSpecFor() const { return OpenDialogSpec(CurrentTab(), settings.autosaveFolder); }

bool CORUpc144App::OpenDocumentFile(const QString& path) {
  if (!document_) return false;
  const int type = DocumentTypeFromPath(path.toStdString());
  if (type == DOCUMENT_NONE) {
    prompts_.MessageBox(kUnknownFileType, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  // A load that does not happen leaves the title and the path name as they were, whatever the
  // save prompt's tab switch showed meanwhile.
  const QString title = document_->Title();
  const QString pathName = document_->PathName();
  const int pathType = document_->PathType();
  const auto restore = [&] {
    document_->SetPathName(pathName, pathType, false);
    if (mainFrame) mainFrame->setWindowTitle(title);
    document_->SetTitle(title);
  };
  if (document_->IsTypeModified(type)) {
    SelectTab(type == DOCUMENT_TRACE ? 1 : 0);
    if (!document_->SaveModified(type)) {
      restore();
      return false;
    }
  }
  if (document_->OnOpenDocument(path)) return true;
  restore();
  return false;
}

void CORUpc144App::SetMainTitle(const QString& name) {
  const QString title = QString::fromStdString(MainTitle(name.toStdString()));
  if (mainFrame) mainFrame->setWindowTitle(title);
  if (document_) document_->SetTitle(title);
}

void CORUpc144App::AddToRecentFileList(const QString& path) {
  if (path.isEmpty()) return;
  recentFiles_.removeAll(path);
  recentFiles_.prepend(path);
  while (recentFiles_.size() > cmd::kRecentFiles) recentFiles_.removeLast();
  emit recentFilesChanged();
}

void CORUpc144App::OnNewCaptureConcatenate() { SetCaptureOptions(CAPTURE_OPTION_CONCATENATE); }
void CORUpc144App::OnNewCaptureOverwrite() { SetCaptureOptions(CAPTURE_OPTION_OVERWRITE); }
void CORUpc144App::OnNewCaptureAutosave() { SetCaptureOptions(CAPTURE_OPTION_AUTOSAVE); }

void CORUpc144App::ApplyColorChoice(int slot) {
  const auto which = static_cast<ColorSlot>(slot);
  CORUColorSelect dialog(0, prompts_);
  dialog.SetCaption(ColorDialogCaption(which));
  dialog.SetCustomColors(&settings.customColors);
  std::optional<COLORREF> chosen;
  if (dialog.DoModal()) chosen = dialog.GetColor();
  ::ApplyColorChoice(settings, which, chosen);
  InvalidateMainWindow();
}

void CORUpc144App::ApplyDefaultColors(unsigned mask) {
  if (mask & 1u) ApplyDefaultColor(settings, ColorSlot::Answer);
  if (mask & 2u) ApplyDefaultColor(settings, ColorSlot::Originate);
  if (mask & 4u) ApplyDefaultColor(settings, ColorSlot::Marker);
  UpdateViews();
  InvalidateMainWindow();
}

void CORUpc144App::OnSelectAnswerColor() { ApplyColorChoice(static_cast<int>(ColorSlot::Answer)); }
void CORUpc144App::OnSelectOriginateColor() { ApplyColorChoice(static_cast<int>(ColorSlot::Originate)); }
void CORUpc144App::OnSelectMarkerColor() { ApplyColorChoice(static_cast<int>(ColorSlot::Marker)); }
void CORUpc144App::OnDefaultAnswerColor() { ApplyDefaultColors(1u); }
void CORUpc144App::OnDefaultOriginateColor() { ApplyDefaultColors(2u); }
void CORUpc144App::OnDefaultMarkerColor() { ApplyDefaultColors(4u); }
void CORUpc144App::OnDefaultAllColors() { ApplyDefaultColors(7u); }

void CORUpc144App::InvalidateMainWindow() {
  if (!mainFrame) return;
  mainFrame->update();
  for (QWidget* child : mainFrame->findChildren<QWidget*>()) child->update();
}

void CORUpc144App::OnSetDeviceClockToPcTime() {
  if (context.DeviceOpen())
    PostToWorker(WM_ORU_SET_CLOCK_FROM_PC, 0, 0);
  else
    prompts_.MessageBox(kNoUsbText, kCommErrorTitle, MB_OK | MB_SYSTEMMODAL);
}

void CORUpc144App::OnEnterDeviceClock() {
  CORUTimeEntry dialog(*this, mainFrame);
  if (prompts_.RunModal(dialog) != QDialog::Accepted) return;
  if (context.DeviceOpen())
    PostToWorker(WM_ORU_SET_CLOCK, 0, 0);
  else
    prompts_.MessageBox(kNoUsbText, kCommErrorTitle, MB_OK | MB_SYSTEMMODAL);
}

void CORUpc144App::OnAppAbout() {
  ++aboutRuns_;
  CAboutDlg dialog(*this);
  prompts_.RunModal(dialog);
}

void CORUpc144App::UpdateViews() {
  Views().ForEach([](IShellView& view) { view.OnUpdate(); });
}

FrameViews& CORUpc144App::Views() { return mainFrame != nullptr ? mainFrame->Views() : standaloneViews_; }
