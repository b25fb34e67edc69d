#pragma once

// CORUpc144Doc: the program's one document. It holds a capture and a signal trace side by side,
// each with its own modified flag and file path, and saves, opens, exports and autosaves them
// through link/'s file codecs. The document remembers which type its path name belongs to, so a
// save of one type never writes over the other's file. The worker sees it as DocumentState.
// Apart from the DocumentState calls, everything runs on the user-interface thread, and no
// prompt is shown while the store's lock is held.

#include <QString>

#include <atomic>
#include <optional>

#include "link/protocol/DocumentState.h"
#include "link/store/DocumentType.h"
#include "link/store/FileStatus.h"

class CORUpc144App;
struct FileSettings;

class CORUpc144Doc final : public DocumentState {
 public:
  explicit CORUpc144Doc(CORUpc144App& app);
  ~CORUpc144Doc() override;

  // ---- DocumentState (either thread, no UI lock) -------------------------------------------
  void SetTypeModified(bool modified, DocumentType documentType) override;
  bool IsTypeModified(DocumentType documentType) const override;
  bool IsDocumentOpen() const override { return open_.load(); }
  // Either type modified.
  bool IsModified() const;
  // The application's exit: the worker then marks nothing modified any more.
  void CloseDocument() { open_.store(false); }

  // ---- paths and title -----------------------------------------------------------------------
  QString captureFilePath() const { return captureFilePath_; }
  QString traceFilePath() const { return traceFilePath_; }
  QString autosaveCapturePath() const { return autosaveCapturePath_; }
  QString autosaveTracePath() const { return autosaveTracePath_; }
  QString PathName() const { return pathName_; }
  // The type the path name belongs to (none without a path).
  std::optional<DocumentType> PathType() const { return pathType_; }
  std::optional<DocumentType> documentType() const { return documentType_; }
  QString Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  // The path name; its type is the one the name selects (DocumentTypeFromPath).
  void SetPathName(const QString& path, bool addToRecent = false);
  void SetPathName(const QString& path, std::optional<DocumentType> documentType, bool addToRecent);
  // A capture started afresh without a name (Overwrite): the capture's file path goes, the path
  // name too unless it is the trace's, and the title becomes "Quorlan View PC - ". Nothing then
  // saves the new capture over the old file without asking.
  void ForgetCaptureFile();
  // A tab switch: a tab that shows a document takes that type's file name as the title and, when
  // not empty, as the path name (the frame shows the title). Other tabs change nothing.
  void SetPathNameForTab(int tab);

  // ---- document steps --------------------------------------------------------------------------
  // A new document: stops what runs (posting the stop requests), resets the store, clears both
  // flags and both paths, titles the window "Quorlan View PC - ".
  bool OnNewDocument();
  // Loads `path` as `type` (the caller worked the type out from the name), names the document
  // after it and tells the main frame once, which shows that type's tab. Failures are shown in a
  // box; the data held, the paths, the title and the modified flags then stay.
  bool OnOpenDocument(const QString& path, DocumentType type);
  // Writes the data of `documentType` to `path` (the extension added when missing); a failure is
  // shown and answers false. Success clears that type's flag and makes `path` its path name.
  bool OnSaveDocument(const QString& path, DocumentType documentType);
  // The save prompt for one type: true at once when it is not modified; else "Save changes to
  // %1?" with Yes (save: to the path name when it belongs to the type, else through the type's
  // Save As dialog), No (true, nothing saved) or Cancel (false). A failed save answers false.
  bool SaveModified(DocumentType documentType);

  // ---- commands ------------------------------------------------------------------------------
  void OnFileSave();           // ID_FILE_SAVE
  void OnFileSaveAs();         // ID_FILE_SAVE_AS
  void OnFileExport();         // ID_EXPORT_TEXT
  void OnSetAutosaveFolder();  // ID_SET_AUTOSAVE_FOLDER
  // The folder choice; true when a folder was chosen (it becomes "Autosave Folder").
  bool ChooseAutosaveFolder();
  // Offers the data of `documentType` for saving, discards it and names the document after the
  // date and time of `slot`'s stored entry (or of the clock) in the autosave folder. 0 when the
  // user cancelled (the caller then starts nothing), else true. With `keepPath` the new name
  // becomes the type's file path also for a slot outside the directory.
  bool Autosave(int slot, DocumentType documentType, bool keepPath);

  // The class library's "update all views".
  void UpdateViews();

 private:
  FileSettings CurrentFileSettings() const;
  void TakeFileSettings(const FileSettings& loaded, DocumentType documentType);
  bool SaveAs(DocumentType documentType, bool saveVariant);
  bool WriteType(const QString& path, DocumentType documentType, bool addToRecent);
  QString PromptName(DocumentType documentType) const;
  void ShowStatus(FileStatus status);
  QString& FilePathOf(DocumentType documentType);

  CORUpc144App& app_;
  std::atomic<bool> open_{false};
  std::atomic<bool> captureModified_{false};
  std::atomic<bool> traceModified_{false};
  QString captureFilePath_;
  QString traceFilePath_;
  QString autosaveCapturePath_;
  QString autosaveTracePath_;
  QString pathName_;
  std::optional<DocumentType> pathType_;
  std::optional<DocumentType> documentType_;
  QString title_;
  bool folderChosen_ = false;
};
