#include "shell/OruDocument.h"

#include <memory>
#include <mutex>

#include "link/files/CsvExport.h"
#include "link/files/DocumentFile.h"
#include "link/files/FileType.h"
#include "link/protocol/WorkerMessages.h"
#include "shell/frame/CMainFrame.h"
#include "link/store/TraceHeader.h"
#include "shell/OruApp.h"
#include "shell/model/AutosaveRule.h"
#include "shell/model/DocumentDialogs.h"
#include "shell/model/MainTitle.h"
#include "shell/model/TabTable.h"

namespace {

constexpr const char* kAppTitle = "Quorlan View PC";
constexpr const char* kUntitled = "Untitled";
constexpr const char* kEmptyCaptureText = "Capture buffer is empty";
constexpr const char* kFolderTitle = "Select Autosave folder";
constexpr UINT kExportEmptyStyle = MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL;  // 0x1030

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CORUpc144Doc::CORUpc144Doc(CORUpc144App& app) : app_(app) {}

CORUpc144Doc::~CORUpc144Doc() = default;

// ---- DocumentState ----------------------------------------------------------------------------

void CORUpc144Doc::SetTypeModified(bool modified, DocumentType documentType) {
  if (documentType == DocumentType::Capture)
    captureModified_ = modified;
  else if (documentType == DocumentType::Trace)
    traceModified_ = modified;
}

bool CORUpc144Doc::IsTypeModified(DocumentType documentType) const {
  if (documentType == DocumentType::Capture) return captureModified_.load();
  if (documentType == DocumentType::Trace) return traceModified_.load();
  return false;
}

bool CORUpc144Doc::IsModified() const { return captureModified_.load() || traceModified_.load(); }

// ---- paths and title --------------------------------------------------------------------------

void CORUpc144Doc::SetPathName(const QString& path, bool addToRecent) {
  SetPathName(path, DocumentTypeFromPath(path.toStdString()), addToRecent);
}

void CORUpc144Doc::SetPathName(const QString& path, std::optional<DocumentType> documentType, bool addToRecent) {
  pathName_ = path;
  pathType_ = path.isEmpty() ? std::nullopt : documentType;
  if (addToRecent) app_.AddToRecentFileList(path);
}

void CORUpc144Doc::SetPathNameForTab(int tab) {
  const std::optional<DocumentType> shown = DocumentOfTab(tab);
  if (!shown) return;
  const DocumentType type = *shown;
  const QString name = FilePathOf(type);
  title_ = Q(MainTitle(name.toStdString()));
  if (!name.isEmpty()) SetPathName(name, type, false);
}

void CORUpc144Doc::ForgetCaptureFile() {
  captureFilePath_.clear();
  if (pathType_ != DocumentType::Trace) SetPathName(QString(), std::nullopt, false);
  app_.SetMainTitle(QString());
}

QString& CORUpc144Doc::FilePathOf(DocumentType documentType) {
  return documentType == DocumentType::Trace ? traceFilePath_ : captureFilePath_;
}

QString CORUpc144Doc::PromptName(DocumentType documentType) const {
  if (pathType_ == documentType && !pathName_.isEmpty()) return Q(std::string(FileNameOf(pathName_.toStdString())));
  const QString& own = documentType == DocumentType::Trace ? traceFilePath_ : captureFilePath_;
  if (!own.isEmpty()) return Q(std::string(FileNameOf(own.toStdString())));
  return kUntitled;
}

// ---- files --------------------------------------------------------------------------------------

FileSettings CORUpc144Doc::CurrentFileSettings() const {
  const AppSettings& s = app_.settings;
  FileSettings f;
  f.viewType = static_cast<int>(s.viewType);
  f.traceScale = s.traceScale;
  f.traceSpan = s.traceSpan;
  f.deltaV = s.deltaV;
  f.traceLine = app_.dataStore.selectedLine.load();
  f.traceTrigger = s.traceTrigger;
  return f;
}

void CORUpc144Doc::TakeFileSettings(const FileSettings& loaded, DocumentType documentType) {
  if (documentType != DocumentType::Trace) return;
  AppSettings& s = app_.settings;
  s.traceScale = loaded.traceScale;
  s.traceSpan = loaded.traceSpan;
  s.deltaV = ClampDeltaV(loaded.deltaV);
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
  store.WithData([&](const DataScope& data) {
    // Under the lock the run state holds still between the stops and the reset.
    const RunState run = data.Run();
    if (run.dtmfRunning()) {
      store.statusText.Set("Aborting DTMF decoder");
      app_.PostToWorker(WM_ORU_STOP_DTMF_DECODER);
    }
    if (run.lineTestRunning()) {
      store.statusText.Set("Aborting line test");
      app_.PostToWorker(WM_ORU_STOP_LINE_TEST);
    } else if (run.captureBusy()) {
      store.statusText.Set("Aborting capture");
      app_.PostToWorker(WM_ORU_ABORT_CAPTURE);
    } else if (run.traceRunning()) {
      store.statusText.Set("Aborting trace");
      app_.PostToWorker(WM_ORU_STOP_TRIGGERED_TRACE);
    }
    store.Reset();
  });
  documentType_ = DocumentTypeForTab(app_.CurrentTab());
  captureModified_ = false;
  traceModified_ = false;
  captureFilePath_.clear();
  traceFilePath_.clear();
  SetPathName(QString(), std::nullopt, false);
  if (app_.Views().captureTimingView) app_.Views().captureTimingView->Refresh();
  if (app_.Views().traceTimingView) app_.Views().traceTimingView->Refresh();
  // As after every new document, the views take the settings again (the reset cleared the
  // display flags they set).
  UpdateViews();
  return true;
}

bool CORUpc144Doc::OnOpenDocument(const QString& path, DocumentType type) {
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
  app_.dataStore.WithCapture([](CaptureScope& capture) { capture.cursorRecordIndex() = -1; });
  documentType_ = type;
  TakeFileSettings(settings, type);
  SetTypeModified(false, type);
  FilePathOf(type) = path;
  SetPathName(path, type, false);
  title_ = Q(MainTitle(path.toStdString()));
  // The one word to the windows: the frame brings the type's tab forward and redraws once.
  if (app_.mainFrame != nullptr) app_.mainFrame->ShowDocument(type, title_);
  return true;
}

bool CORUpc144Doc::WriteType(const QString& path, DocumentType documentType, bool addToRecent) {
  std::optional<DocumentType> type = documentType;
  const std::string target = SavePathFor(path.toStdString(), type);
  const FileStatus status = SaveDocumentFile(target, app_.dataStore, documentType, CurrentFileSettings());
  if (status != FileStatus::Ok) {
    ShowStatus(status);
    return false;
  }
  documentType_ = documentType;
  SetTypeModified(false, documentType);
  FilePathOf(documentType) = Q(target);
  SetPathName(Q(target), documentType, addToRecent);
  app_.SetMainTitle(Q(target));
  return true;
}

bool CORUpc144Doc::OnSaveDocument(const QString& path, DocumentType documentType) {
  return WriteType(path, documentType, false);
}

bool CORUpc144Doc::SaveAs(DocumentType documentType, bool saveVariant) {
  FileDialogSpec spec =
      saveVariant ? SaveDialogSpec(documentType, app_.settings.autosaveFolder) : SaveAsDialogSpec(documentType);
  spec.proposedName = FilePathOf(documentType).toStdString();
  const auto path = app_.prompts().GetSaveFileName(spec);
  if (!path || path->isEmpty()) return false;
  return WriteType(*path, documentType, true);
}

bool CORUpc144Doc::SaveModified(DocumentType documentType) {
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
  const DocumentType type = DocumentTypeForTab(app_.CurrentTab());
  if (RouteForSave(type, pathType_, pathName_.toStdString()) == SaveRoute::WriteToPathName)
    WriteType(pathName_, type, true);
  else
    SaveAs(type, true);
}

void CORUpc144Doc::OnFileSaveAs() { SaveAs(DocumentTypeForTab(app_.CurrentTab()), false); }

void CORUpc144Doc::OnFileExport() {
  const bool empty =
      app_.dataStore.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().IsEmpty(); });
  if (empty) {
    app_.prompts().MessageBox(kEmptyCaptureText, FILE_EXPORT_ERROR_TITLE, kExportEmptyStyle);
    return;
  }
  const QString& capturePath = pathType_ == DocumentType::Capture ? pathName_ : captureFilePath_;
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

bool CORUpc144Doc::Autosave(int slot, DocumentType documentType, bool keepPath) {
  if (documentType != DocumentType::Capture && documentType != DocumentType::Trace) return false;
  CORUData& store = app_.dataStore;
  std::string date;
  std::string time;
  if (AutosaveSlotInDirectory(slot, documentType)) {
    const auto index = static_cast<std::size_t>(slot);
    if (documentType == DocumentType::Capture) {
      store.WithData([&](const DataScope& data) {
        date = data.sessionDirectory()[index].startDate;
        time = data.sessionDirectory()[index].startTime;
      });
    } else {
      store.WithTrace([&](const TraceScope& trace) {
        date = trace.traceDirectory()[index].date;
        time = trace.traceDirectory()[index].time;
      });
    }
  }
  const CivilTime when = AutosaveTimeFor(slot, documentType, date, time, app_.startup().localClock());

  if (AutosaveNeedsFolderChoice(app_.settings.autosaveFolder) && !ChooseAutosaveFolder()) return false;
  const QString path = Q(AutosaveFilePath(app_.settings.autosaveFolder, when, documentType));

  const bool held =
      documentType == DocumentType::Capture
          ? store.WithCapture([](const CaptureScope& capture) { return !capture.captureBuffer().IsEmpty(); })
          : store.WithTrace([](const TraceScope& trace) { return !trace.traceSamples().IsEmpty(); });
  if (held && IsTypeModified(documentType) && !SaveModified(documentType)) return false;

  if (documentType == DocumentType::Capture) {
    store.ClearCapture();
    if (app_.Views().sessionView) app_.Views().sessionView->Refresh();
    autosaveCapturePath_ = path;
  } else {
    store.WithTrace([](TraceScope& trace) {
      trace.Clear(TraceKind::Triggered);
      trace.traceCursor1() = -1;
      trace.traceCursor2() = -1;
    });
    autosaveTracePath_ = path;
  }
  // The data is gone; nothing of it is left to save.
  SetTypeModified(false, documentType);
  if (AutosaveSlotInDirectory(slot, documentType) || keepPath) FilePathOf(documentType) = path;
  SetPathName(path, documentType, false);
  app_.SetMainTitle(path);
  UpdateViews();
  return true;
}

void CORUpc144Doc::UpdateViews() { app_.UpdateViews(); }
