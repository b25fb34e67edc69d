#include "shell/OruApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>

#include <cstdio>

#include "link/worker/CommThread.h"
#include "link/store/DocumentType.h"
#include "link/files/FileType.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/machine/Machine.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/ThreadMessages.h"
#include "shell/dialogs/AboutDlg.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/FrameTabs.h"
#include "shell/panel/ControlView.h"
#include "shell/dialogs/ColorSelect.h"
#include "shell/OruDocument.h"
#include "shell/Settings.h"
#include "shell/SingleInstance.h"
#include "shell/dialogs/SplashDlg.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/dialogs/TimeEntry.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/MenuResource.h"
#include "shell/model/AppCommandRules.h"
#include "shell/model/ColorSettings.h"
#include "shell/model/DocumentDialogs.h"
#include "shell/model/CommandLine.h"
#include "shell/model/MainTitle.h"
#include "shell/model/SettingsRules.h"
#include "shell/model/TabTable.h"

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
  // The shell's own pane and tabs; a test may register a stand-in over any of them.
  RegisterControlView(viewFactory);
  RegisterFrameTabPages(viewFactory);
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
    closeRequest_.ShowingAtStartup(&splash);
    splash.exec();
  }
  if (closeRequest_.EndsStartup()) return false;
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
  if (closeRequest_.EndsStartup()) return false;
  dataStore.resyncPending = 0;
  mainFrame->show();

  CreateCommExitEvents(context);
  context.document = document_.get();
  worker_ = CORUCommThread::Start(context, record_.workerClock);
  if (!worker_ || !worker_->WaitForPublishedId(kPublishWaitMs)) return false;
  PostToWorker(WM_ORU_SET_NOTIFY_WINDOW, reinterpret_cast<WPARAM>(mainFrame->WindowHandle()), 0);
  closeRequest_.WindowUp(mainFrame);
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
  recentFiles_ = settingsFile_->ReadRecentFiles(kRecentFileCount);
}

void CORUpc144App::SaveSettings() {
  ::SaveSettings(*settingsFile_, settings, dataStore);
  settingsFile_->WriteRecentFiles(recentFiles_);
  // There is no window left to say it in: a failed write is said once, on standard error.
  if (!settingsFile_->WriteError().isEmpty())
    std::fprintf(stderr, "quorlan-view: %s\n", qPrintable(settingsFile_->WriteError()));
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

bool CORUpc144App::IsAnyActivityArmedOrRunning() const { return dataStore.Run().anyArmedOrRunning(); }

int CORUpc144App::CurrentTab() const { return tabbedFrame ? tabbedFrame->GetCurrentTab() : 0; }

void CORUpc144App::SelectTab(int index) {
  if (tabbedFrame) tabbedFrame->SelectTab(index);
}

void CORUpc144App::EnableTab(int index) {
  if (tabbedFrame) tabbedFrame->EnableTab(index);
}

void CORUpc144App::RunFrameCommand(int id) {
  if (mainFrame) mainFrame->OnCommand(id);
}

void CORUpc144App::SetCaptureOptions(int options) {
  settings.options = options;
  context.captureOptions = options;
}

// ---- commands --------------------------------------------------------------------------------

bool CORUpc144App::OnCommand(int id) {
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
    const int index = id - ID_FILE_MRU_FILE1;
    // A copy: the open moves the entry to the top of the list it would otherwise refer into.
    if (index < recentFiles_.size() && !IsAnyActivityArmedOrRunning()) OpenDocumentFile(QString(recentFiles_[index]));
    return true;
  }
  switch (id) {
    case ID_FILE_NEW:
      OnFileNew();
      return true;
    case ID_FILE_OPEN:
      OnFileOpen();
      return true;
    case ID_FILE_CLOSE_DATA:
      OnFileClose();
      return true;
    case ID_FILE_SAVE:
      if (document_) document_->OnFileSave();
      return true;
    case ID_FILE_SAVE_AS:
      if (document_) document_->OnFileSaveAs();
      return true;
    case ID_EXPORT_TEXT:
      if (document_) document_->OnFileExport();
      return true;
    case ID_SET_AUTOSAVE_FOLDER:
      if (document_) document_->OnSetAutosaveFolder();
      return true;
    case ID_NEW_CAPTURE_CONCATENATE:
      OnNewCaptureConcatenate();
      return true;
    case ID_NEW_CAPTURE_OVERWRITE:
      OnNewCaptureOverwrite();
      return true;
    case ID_NEW_CAPTURE_AUTOSAVE:
      OnNewCaptureAutosave();
      return true;
    case ID_SELECT_ANSWER_COLOR:
      OnSelectAnswerColor();
      return true;
    case ID_SELECT_ORIGINATE_COLOR:
      OnSelectOriginateColor();
      return true;
    case ID_SELECT_MARKER_COLOR:
      OnSelectMarkerColor();
      return true;
    case ID_DEFAULT_ANSWER_COLOR:
      OnDefaultAnswerColor();
      return true;
    case ID_DEFAULT_ORIGINATE_COLOR:
      OnDefaultOriginateColor();
      return true;
    case ID_DEFAULT_MARKER_COLOR:
      OnDefaultMarkerColor();
      return true;
    case ID_DEFAULT_ALL_COLORS:
      OnDefaultAllColors();
      return true;
    case ID_SET_CLOCK_TO_PC_TIME:
      OnSetDeviceClockToPcTime();
      return true;
    case ID_ENTER_DEVICE_CLOCK:
      OnEnterDeviceClock();
      return true;
    case ID_APP_ABOUT:
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
  inputs.recentFiles = static_cast<int>(recentFiles_.size());
  if (id == ID_FILE_SAVE || id == ID_FILE_SAVE_AS) {
    inputs.dataHeld =
        dataStore.WithCapture([](const CaptureScope& capture) { return !capture.captureBuffer().IsEmpty(); }) ||
        dataStore.WithTrace([](const TraceScope& trace) { return !trace.traceSamples().IsEmpty(); });
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
  if (clearFlag && document_) document_->SetTypeModified(false, DocumentType::Capture);
  if (views.activeCaptureView) {
    views.activeCaptureView->Refresh();
    views.activeCaptureView->Redraw();
  }
}

void CORUpc144App::DiscardTrace(bool clearFlag) {
  dataStore.ClearTrace(TraceKind::Triggered);
  if (clearFlag && document_) document_->SetTypeModified(false, DocumentType::Trace);
}

void CORUpc144App::OnFileNew() {
  if (!document_) return;
  CORUpc144Doc& doc = *document_;
  if (!doc.IsDocumentOpen()) {
    doc.OnNewDocument();
    newAllowed_ = true;
    return;
  }
  if (doc.IsTypeModified(DocumentType::Capture)) {
    SelectTab(TabOfDocument(DocumentType::Capture));
    if (!doc.SaveModified(DocumentType::Capture)) {
      newAllowed_ = false;
      return;
    }
    DiscardCapture(true);
  }
  if (doc.IsTypeModified(DocumentType::Trace)) {
    SelectTab(TabOfDocument(DocumentType::Trace));
    if (!doc.SaveModified(DocumentType::Trace)) {
      newAllowed_ = false;
      return;
    }
    DiscardTrace(true);
  }
  if (doc.IsTypeModified(DocumentType::Capture) || doc.IsTypeModified(DocumentType::Trace)) {
    newAllowed_ = false;
    return;
  }
  DiscardCapture(false);
  DiscardTrace(false);
  doc.OnNewDocument();
  newAllowed_ = true;
}

void CORUpc144App::OnFileClose() { OnFileNew(); }

bool CORUpc144App::NewCapture() {
  OnFileNew();
  return newAllowed_;
}

bool CORUpc144App::SaveModified() {
  if (!document_) return true;
  return document_->SaveModified(DocumentType::Capture) && document_->SaveModified(DocumentType::Trace);
}

void CORUpc144App::OnFileOpen() {
  const auto path = prompts_.GetOpenFileName(OpenDialogSpecFor());
  if (!path) return;
  OpenDocumentFile(*path);
}

FileDialogSpec CORUpc144App::OpenDialogSpecFor() const { return OpenDialogSpec(CurrentTab(), settings.autosaveFolder); }

bool CORUpc144App::OpenDocumentFile(const QString& path) {
  if (!document_) return false;
  // The open's one look at the name: the document and the frame are told the type.
  const std::optional<DocumentType> found = DocumentTypeFromPath(path.toStdString());
  if (!found) {
    prompts_.MessageBox(kUnknownFileType, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  const DocumentType type = *found;
  // A load that does not happen leaves the title and the path name as they were, whatever the
  // save prompt's tab switch showed meanwhile.
  const QString title = document_->Title();
  const QString pathName = document_->PathName();
  const std::optional<DocumentType> pathType = document_->PathType();
  const auto restore = [&] {
    document_->SetPathName(pathName, pathType, false);
    if (mainFrame) mainFrame->setWindowTitle(title);
    document_->SetTitle(title);
  };
  if (document_->IsTypeModified(type)) {
    SelectTab(TabOfDocument(type));
    if (!document_->SaveModified(type)) {
      restore();
      return false;
    }
  }
  if (document_->OnOpenDocument(path, type)) {
    AddToRecentFileList(path);
    return true;
  }
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
  while (recentFiles_.size() > kRecentFileCount) recentFiles_.removeLast();
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
  CORUTimeEntry dialog(viewContext_, mainFrame);
  if (prompts_.RunModal(dialog) != QDialog::Accepted) return;
  if (context.DeviceOpen())
    PostToWorker(WM_ORU_SET_CLOCK, 0, 0);
  else
    prompts_.MessageBox(kNoUsbText, kCommErrorTitle, MB_OK | MB_SYSTEMMODAL);
}

void CORUpc144App::OnAppAbout() {
  ++aboutRuns_;
  CAboutDlg dialog(viewContext_);
  prompts_.RunModal(dialog);
}

void CORUpc144App::UpdateViews() {
  Views().ForEach([](IShellView& view) { view.OnUpdate(); });
}

FrameViews& CORUpc144App::Views() { return mainFrame != nullptr ? mainFrame->Views() : standaloneViews_; }
