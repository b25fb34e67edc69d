#include "shell/OruDocument.h"

#include <memory>
#include <mutex>

#include "link/files/CsvExport.h"
#include "link/files/DocumentFile.h"
#include "link/files/FileType.h"
#include "link/protocol/WorkerMessages.h"
#include "shell/OruApp.h"
#include "shell/model/AutosaveRule.h"
#include "shell/model/DocumentDialogs.h"
#include "shell/model/MainTitle.h"

namespace {

constexpr const char* kAppTitle = "Quorlan View PC";
constexpr const char* kUntitled = "Untitled";
constexpr const char* kEmptyCaptureText = "Capture buffer is empty";
constexpr const char* kFolderTitle = "Select Autosave folder";
constexpr UINT kExportEmptyStyle = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;  // 0x1030

QString Q(const std::string& text) { return QString::fromStdString(text); }

int TabOf(int documentType) { return documentType == DOCUMENT_TRACE ? 1 : 0; }

}  // namespace

CORUpc144Doc::CORUpc144Doc(CORUpc144App& app) : app_(app) {}

CORUpc144Doc::~CORUpc144Doc() = default;

// ---- DocumentState ----------------------------------------------------------------------------

void CORUpc144Doc::SetTypeModified(int modified, int documentType) {
  if (documentType == DOCUMENT_CAPTURE)
    captureModified_ = modified ? 1 : 0;
  else if (documentType == DOCUMENT_TRACE)
    traceModified_ = modified ? 1 : 0;
}

int CORUpc144Doc::IsTypeModified(int documentType) const {
  if (documentType == DOCUMENT_CAPTURE) return captureModified_.load();
  if (documentType == DOCUMENT_TRACE) return traceModified_.load();
  return 0;
}

bool CORUpc144Doc::IsModified() const { return captureModified_.load() != 0 || traceModified_.load() != 0; }

// ---- paths and title --------------------------------------------------------------------------

void CORUpc144Doc::SetPathName(const QString& path, bool addToRecent) {
  SetPathName(path, DocumentTypeFromPath(path.toStdString()), addToRecent);
}

void CORUpc144Doc::SetPathName(const QString& path, int documentType, bool addToRecent) {
  pathName_ = path;
  pathType_ = path.isEmpty() ? DOCUMENT_NONE : documentType;
  if (addToRecent) app_.AddToRecentFileList(path);
}

void CORUpc144Doc::SetPathNameForTab(int tab) {
  if (tab != 0 && tab != 1) return;
  const int type = tab == 1 ? DOCUMENT_TRACE : DOCUMENT_CAPTURE;
  const QString name = FilePathOf(type);
  app_.SetMainTitle(name);
  if (!name.isEmpty()) SetPathName(name, type, false);
}

void CORUpc144Doc::ForgetCaptureFile() {
  captureFilePath_.clear();
  if (pathType_ != DOCUMENT_TRACE) SetPathName(QString(), DOCUMENT_NONE, false);
  app_.SetMainTitle(QString());
}

QString& CORUpc144Doc::FilePathOf(int documentType) {
  return documentType == DOCUMENT_TRACE ? traceFilePath_ : captureFilePath_;
}

QString CORUpc144Doc::PromptName(int documentType) const {
  if (pathType_ == documentType && !pathName_.isEmpty()) return Q(std::string(FileNameOf(pathName_.toStdString())));
  const QString& own = documentType == DOCUMENT_TRACE ? traceFilePath_ : captureFilePath_;
  if (!own.isEmpty()) return Q(std::string(FileNameOf(own.toStdString())));
  return kUntitled;
}

// ---- files --------------------------------------------------------------------------------------

FileSettings CORUpc144Doc::CurrentFileSettings() const {
  const AppSettings& s = app_.settings;
  FileSettings f;
  f.viewType = s.viewType;
  f.traceScale = s.traceScale;
  f.traceSpan = s.traceSpan;
  f.deltaV = s.deltaV;
  f.traceLine = app_.dataStore.selectedLine.load();
  f.traceTrigger = s.traceTrigger;
  return f;
}

void CORUpc144Doc::TakeFileSettings(const FileSettings& loaded, int documentType) {
  if (documentType != DOCUMENT_TRACE) return;
  AppSettings& s = app_.settings;
  s.traceScale = loaded.traceScale;
  s.traceSpan = loaded.traceSpan;
  s.deltaV = loaded.deltaV;
  s.traceLine = loaded.traceLine;
  s.traceTrigger = loaded.traceTrigger;
  app_.dataStore.selectedLine = loaded.traceLine;
}

void CORUpc144Doc::ShowStatus(FileStatus status) {
  if (status == FileStatus::Ok) return;
  const UINT style =
      status == FileStatus::CaptureReadError ? (MB_OKCANCEL | MB_ICONEXCLAMATION) : (MB_OK | MB_ICONEXCLAMATION);
  const QString title = status == FileStatus::ExportFailed ? QString(FILE_EXPORT_ERROR_TITLE) : QString(kAppTitle);
  app_.prompts().MessageBox(FileStatusText(status), title, style);
}

bool CORUpc144Doc::OnNewDocument() {
  open_ = true;
  app_.currentDocument = this;
  app_.SetMainTitle(QString());
  CORUData& store = app_.dataStore;
  {
    std::lock_guard lock(store.dataMutex);
    if (store.dtmfRunning.load() != 0) {
      store.statusText.Set("Aborting DTMF decoder");
      app_.PostToWorker(WM_ORU_STOP_DTMF_DECODER);
    }
    if (store.lineTestRunning.load() != 0) {
      store.statusText.Set("Aborting line test");
      app_.PostToWorker(WM_ORU_STOP_LINE_TEST);
    } else if (store.captureRunning.load() != 0 || store.captureArmed.load() != 0) {
      store.statusText.Set("Aborting capture");
      app_.PostToWorker(WM_ORU_ABORT_CAPTURE);
    } else if (store.traceRunning.load() != 0 || store.traceTriggerArmed.load() != 0) {
      store.statusText.Set("Aborting trace");
      app_.PostToWorker(WM_ORU_STOP_TRIGGERED_TRACE);
    }
    store.Reset();
  }
  documentType_ = app_.CurrentTab() == 1 ? DOCUMENT_TRACE : DOCUMENT_CAPTURE;
  captureModified_ = 0;
  traceModified_ = 0;
  captureFilePath_.clear();
  traceFilePath_.clear();
  SetPathName(QString(), DOCUMENT_NONE, false);
  if (app_.Views().captureTimingView) app_.Views().captureTimingView->Refresh();
  if (app_.Views().traceTimingView) app_.Views().traceTimingView->Refresh();
  // As after every new document, the views take the settings again (the reset cleared the
  // display flags they set).
  UpdateViews();
  return true;
}

bool CORUpc144Doc::OnOpenDocument(const QString& path) {
  const int type = DocumentTypeFromPath(path.toStdString());
  if (type == DOCUMENT_NONE) {
    documentType_ = DOCUMENT_NONE;
    ShowStatus(FileStatus::UnknownType);
    return false;
  }
  FileSettings settings = CurrentFileSettings();
  // Read into a store of its own: a file that fails to load changes nothing held, so a later
  // Save cannot write half a file's data over the file the data came from.
  const auto loaded = std::make_unique<CORUData>();
  const FileStatus status = LoadDocumentFile(path.toStdString(), *loaded, type, settings);
  if (status != FileStatus::Ok) {
    ShowStatus(status);
    return false;
  }
  AdoptDocument(app_.dataStore, *loaded, type);
  app_.dataStore.cursorRecordIndex = -1;
  documentType_ = type;
  TakeFileSettings(settings, type);
  SetTypeModified(0, type);
  FilePathOf(type) = path;
  app_.SelectTab(TabOf(type));
  SetPathName(path, type, true);
  app_.SetMainTitle(path);
  if (app_.Views().activeCaptureView) {
    app_.Views().activeCaptureView->Redraw();
    app_.Views().activeCaptureView->Refresh();
  }
  if (app_.Views().controlView) app_.Views().controlView->SyncControlsFromConfig(0);
  UpdateViews();
  return true;
}

bool CORUpc144Doc::WriteType(const QString& path, int documentType, bool addToRecent) {
  int type = documentType;
  const std::string target = SavePathFor(path.toStdString(), type);
  const FileStatus status = SaveDocumentFile(target, app_.dataStore, documentType, CurrentFileSettings());
  if (status != FileStatus::Ok) {
    ShowStatus(status);
    return false;
  }
  documentType_ = documentType;
  SetTypeModified(0, documentType);
  FilePathOf(documentType) = Q(target);
  SetPathName(Q(target), documentType, addToRecent);
  app_.SetMainTitle(Q(target));
  return true;
}

bool CORUpc144Doc::OnSaveDocument(const QString& path, int documentType) {
  return WriteType(path, documentType, false);
}

bool CORUpc144Doc::SaveAs(int documentType, bool saveVariant) {
  FileDialogSpec spec =
      saveVariant ? SaveDialogSpec(documentType, app_.settings.autosaveFolder) : SaveAsDialogSpec(documentType);
  spec.proposedName = FilePathOf(documentType).toStdString();
  const auto path = app_.prompts().GetSaveFileName(spec);
  if (!path || path->isEmpty()) return false;
  return WriteType(*path, documentType, true);
}

bool CORUpc144Doc::SaveModified(int documentType) {
  if (!IsTypeModified(documentType)) return true;
  const QString text = Q(SaveChangesText(PromptName(documentType).toStdString()));
  const int answer = app_.prompts().MessageBox(text, kAppTitle, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer != IDYES) return true;
  if (RouteForSave(documentType, pathType_, pathName_.toStdString()) == SaveRoute::WriteToPathName)
    return WriteType(pathName_, documentType, false);
  return SaveAs(documentType, false);
}

// ---- commands ----------------------------------------------------------------------------------

void CORUpc144Doc::OnFileSave() {
  const int type = DocumentTypeForTab(app_.CurrentTab());
  if (RouteForSave(type, pathType_, pathName_.toStdString()) == SaveRoute::WriteToPathName)
    WriteType(pathName_, type, true);
  else
    SaveAs(type, true);
}

void CORUpc144Doc::OnFileSaveAs() { SaveAs(DocumentTypeForTab(app_.CurrentTab()), false); }

void CORUpc144Doc::OnFileExport() {
  bool empty = true;
  {
    std::lock_guard lock(app_.dataStore.dataMutex);
    empty = app_.dataStore.captureBuffer.IsEmpty();
  }
  if (empty) {
    app_.prompts().MessageBox(kEmptyCaptureText, FILE_EXPORT_ERROR_TITLE, kExportEmptyStyle);
    return;
  }
  const QString& capturePath = pathType_ == DOCUMENT_CAPTURE ? pathName_ : captureFilePath_;
  const auto path = app_.prompts().GetSaveFileName(ExportDialogSpec(FileNameOf(capturePath.toStdString())));
  if (!path || path->isEmpty()) return;
  ShowStatus(ExportCsvFile(path->toStdString(), app_.dataStore));
}

bool CORUpc144Doc::ChooseAutosaveFolder() {
  const auto folder = app_.prompts().BrowseForFolder(kFolderTitle, Q(app_.settings.autosaveFolder));
  folderChosen_ = folder.has_value() && !folder->isEmpty();
  if (folderChosen_) app_.settings.autosaveFolder = folder->toStdString();
  return folderChosen_;
}

void CORUpc144Doc::OnSetAutosaveFolder() { ChooseAutosaveFolder(); }

int CORUpc144Doc::Autosave(int slot, int documentType, int keepPath) {
  if (documentType != DOCUMENT_CAPTURE && documentType != DOCUMENT_TRACE) return 0;
  CORUData& store = app_.dataStore;
  std::string date;
  std::string time;
  if (AutosaveSlotInDirectory(slot, documentType)) {
    std::lock_guard lock(store.dataMutex);
    const auto index = static_cast<std::size_t>(slot);
    if (documentType == DOCUMENT_CAPTURE) {
      date = store.sessionDirectory[index].startDate;
      time = store.sessionDirectory[index].startTime;
    } else {
      date = store.traceDirectory[index].date;
      time = store.traceDirectory[index].time;
    }
  }
  const CivilTime when = AutosaveTimeFor(slot, documentType, date, time, app_.startup().localClock());

  if (AutosaveNeedsFolderChoice(app_.settings.autosaveFolder) && !ChooseAutosaveFolder()) return 0;
  const QString path = Q(AutosaveFilePath(app_.settings.autosaveFolder, when, documentType));

  bool held = false;
  {
    std::lock_guard lock(store.dataMutex);
    held = documentType == DOCUMENT_CAPTURE ? !store.captureBuffer.IsEmpty() : !store.traceSamples.IsEmpty();
  }
  int result = 1;
  if (held && IsTypeModified(documentType)) result = SaveModified(documentType) ? 1 : 0;
  if (result == 0) return 0;

  if (documentType == DOCUMENT_CAPTURE) {
    store.ClearCapture();
    if (app_.Views().sessionView) app_.Views().sessionView->Refresh();
    autosaveCapturePath_ = path;
  } else {
    {
      std::lock_guard lock(store.dataMutex);
      store.traceSamples.RemoveAll();
    }
    store.traceCursor1 = -1;
    store.traceCursor2 = -1;
    autosaveTracePath_ = path;
  }
  // The data is gone; nothing of it is left to save.
  SetTypeModified(0, documentType);
  if (AutosaveSlotInDirectory(slot, documentType) || keepPath != 0) FilePathOf(documentType) = path;
  SetPathName(path, documentType, false);
  app_.SetMainTitle(path);
  UpdateViews();
  return result;
}

void CORUpc144Doc::UpdateViews() { app_.UpdateViews(); }
