#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include <thread>

#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruDocument.h"
#include "resources/data/ResourceIds.h"
#include "tests/shell/AppFixture.h"

namespace {

using apptest::CaptureFields;
using apptest::FileBytes;
using apptest::FillCapture;
using apptest::FillTrace;
using apptest::TraceSamples;

class AppFiles : public apptest::AppFixture {
 protected:
  CORUpc144Doc& doc() { return *app().currentDocument; }
  CORUData& store() { return app().dataStore; }
  QString Title() const { return const_cast<AppFiles*>(this)->app().mainFrame->windowTitle(); }
  const PromptRecord& LastPrompt() { return answers.prompts().back(); }

  // A trace file written by another store, as a file from an earlier run.
  void WriteTraceFile(const QString& path, int base) {
    CORUData other;
    FillTrace(other, 1000, base);
    auto& otherFields = LinkFields(other);
    otherFields.currentTrace.scaleIndex = 2;
    otherFields.currentTrace.spanIndex = 3;
    otherFields.currentTrace.voltageLevel = 40;
    FileSettings settings;
    settings.traceScale = 2;
    settings.traceSpan = 3;
    settings.deltaV = 40;
    settings.traceLine = 2;
    ASSERT_EQ(SaveDocumentFile(path.toStdString(), other, DocumentType::Trace, settings), FileStatus::Ok);
  }
};

TEST_F(AppFiles, SaveAndSaveAsFollowTheTabWithTheirTitlesFiltersAndExtensions) {
  ASSERT_TRUE(Start());
  FillTrace(store(), 1000);
  FillCapture(store(), 5);
  doc().SetTypeModified(true, DocumentType::Trace);
  doc().SetTypeModified(true, DocumentType::Capture);

  app().SelectTab(1);
  answers.SaveFile(Path("run1"));
  EXPECT_TRUE(app().OnCommand(ID_FILE_SAVE_AS));
  EXPECT_EQ(LastPrompt().spec.title, "Save ORUpc trace file as");
  ASSERT_EQ(LastPrompt().spec.filters.size(), 1u);
  EXPECT_EQ(LastPrompt().spec.filters[0].first, "ORU Signal Trace Files (*.ast)");
  EXPECT_EQ(LastPrompt().spec.defaultExtension, "ast");
  EXPECT_TRUE(QFile::exists(Path("run1.ast")));
  EXPECT_EQ(doc().PathName(), Path("run1.ast"));
  EXPECT_EQ(Title(), "Quorlan View PC - run1.ast");
  EXPECT_FALSE(doc().IsTypeModified(DocumentType::Trace));
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));  // saving one type leaves the other

  answers.SaveFile(Path("run1.Ast"));
  app().OnCommand(ID_FILE_SAVE_AS);
  EXPECT_TRUE(QFile::exists(Path("run1.Ast")));
  EXPECT_FALSE(QFile::exists(Path("run1.Ast.ast")));

  // The capture's Save has no path of its type yet: the dialog starts in the autosave folder.
  app().SelectTab(0);
  answers.SaveFile(Path("cap1"));
  app().OnCommand(ID_FILE_SAVE);
  EXPECT_EQ(LastPrompt().spec.title, "Save ORUpc capture file");
  EXPECT_EQ(LastPrompt().spec.filters[0].first, "ORUpc Capture files (*.hsc)");
  EXPECT_EQ(LastPrompt().spec.initialFolder, app().settings.autosaveFolder);
  EXPECT_TRUE(QFile::exists(Path("cap1.hsc")));
  EXPECT_EQ(doc().captureFilePath(), Path("cap1.hsc"));
  EXPECT_EQ(app().RecentFiles().front(), Path("cap1.hsc"));

  // Again: the path name now belongs to the capture, so it is written without a dialog.
  FillCapture(store(), 3, 50);
  const std::size_t prompts = answers.prompts().size();
  app().OnCommand(ID_FILE_SAVE);
  EXPECT_EQ(answers.prompts().size(), prompts);
  CORUData reread;
  FileSettings settings;
  ASSERT_EQ(LoadDocumentFile(Path("cap1.hsc").toStdString(), reread, DocumentType::Capture, settings), FileStatus::Ok);
  EXPECT_EQ(CaptureFields(reread), CaptureFields(store()));

  // Back on SIGNAL TRACE the trace's own file is the path name again.
  app().SelectTab(1);
  EXPECT_EQ(doc().PathName(), Path("run1.Ast"));
  EXPECT_EQ(Title(), "Quorlan View PC - run1.Ast");
}

TEST_F(AppFiles, AHscAstFileOpensOnSignalTraceAndLeavesTheCaptureAlone) {
  WriteTraceFile(Path("a.HSC.ast"), 5);
  ASSERT_TRUE(Start());
  FillCapture(store(), 4);
  doc().SetTypeModified(true, DocumentType::Capture);
  const auto capture = CaptureFields(store());

  answers.OpenFile(Path("a.HSC.ast"));
  app().OnCommand(ID_FILE_OPEN);
  EXPECT_EQ(answers.prompts().back().spec.title, "Open Quorlan View PC file");
  EXPECT_EQ(app().CurrentTab(), 1);
  EXPECT_EQ(doc().traceFilePath(), Path("a.HSC.ast"));
  EXPECT_EQ(Title(), "Quorlan View PC - a.HSC.ast");
  EXPECT_EQ(TraceSamples(store()).size(), 1000u);
  EXPECT_EQ(app().settings.traceSpan, 3);
  EXPECT_EQ(app().settings.deltaV, 40);
  EXPECT_EQ(store().selectedLine.load(), 2);
  EXPECT_EQ(CaptureFields(store()), capture);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));
  EXPECT_FALSE(doc().IsTypeModified(DocumentType::Trace));
  EXPECT_EQ(doc().captureFilePath(), "");
}

TEST_F(AppFiles, LoadErrorsAreShownWithDataMutexFreeAndLeaveTitleAndPaths) {
  WriteTraceFile(Path("good.ast"), 0);
  {
    QFile bad(Path("bad.hsc"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(
        QByteArray("\x01\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x7f\x7f\x7f\x7f", 23));
  }
  ASSERT_TRUE(Start({Path("good.ast")}));
  EXPECT_EQ(Title(), "Quorlan View PC - good.ast");

  // Another thread must get dataMutex while the box is up.
  const auto mutexFree = [this](const PromptRecord&) {
    bool locked = false;
    std::thread other([&] {
      locked = LinkFields(store()).dataMutex.try_lock();
      if (locked) LinkFields(store()).dataMutex.unlock();
    });
    other.join();
    EXPECT_TRUE(locked) << "a box is shown while dataMutex is held";
  };
  answers.Box("Error reading capture file", IDOK, mutexFree);
  EXPECT_FALSE(app().OpenDocumentFile(Path("bad.hsc")));
  EXPECT_EQ(answers.prompts().back().style & MB_TYPEMASK, MB_OKCANCEL);
  answers.Box("Failed to open document.", IDOK, mutexFree);
  EXPECT_FALSE(app().OpenDocumentFile(Path("missing.hsc")));
  // A FIFO without a writer is no file to wait on.
  ASSERT_EQ(::mkfifo(Path("pipe.hsc").toLocal8Bit().constData(), 0600), 0);
  answers.Box("Failed to open document.", IDOK, mutexFree);
  EXPECT_FALSE(app().OpenDocumentFile(Path("pipe.hsc")));
  answers.Box("Unknown file type", IDOK, mutexFree);
  EXPECT_FALSE(app().OpenDocumentFile(Path("notes.txt")));

  EXPECT_EQ(Title(), "Quorlan View PC - good.ast");
  EXPECT_EQ(doc().PathName(), Path("good.ast"));
  EXPECT_EQ(doc().captureFilePath(), "");
  EXPECT_EQ(LinkFields(store()).currentRecordIndex.load(), -1);
}

TEST_F(AppFiles, ExportHasThreeOutcomesAndAnEmptyCaptureGivesTheBoxOnly) {
  ASSERT_TRUE(Start());
  answers.Box("Capture buffer is empty", IDOK);
  app().OnCommand(ID_EXPORT_TEXT);
  EXPECT_EQ(answers.prompts().back().title, "File Export Error");
  EXPECT_EQ(answers.prompts().back().style, 0x1030u);
  EXPECT_TRUE(QDir(Path("")).entryList({"*.csv"}).isEmpty());

  FillCapture(store(), 3);
  answers.SaveFile(Path("out.csv"));
  app().OnCommand(ID_EXPORT_TEXT);
  EXPECT_EQ(answers.prompts().back().spec.title, "Export capture buffer to TXT file");
  EXPECT_EQ(answers.prompts().back().spec.filters[0].first, "Text files (*.csv)");
  const QByteArray csv = FileBytes(Path("out.csv"));
  EXPECT_TRUE(csv.startsWith("Index,HEX Data,ASCII Data,Ans/Orig,Time\r\n"));
  EXPECT_EQ(csv.count("\r\n"), 4);

  answers.SaveFile(std::nullopt);
  app().OnCommand(ID_EXPORT_TEXT);

  answers.SaveFile(Path("no/such/folder/x.csv"));
  answers.Box("Unable to save file", IDOK);
  app().OnCommand(ID_EXPORT_TEXT);
  EXPECT_EQ(answers.prompts().back().title, "File Export Error");
  EXPECT_FALSE(QFile::exists(Path("no/such/folder/x.csv")));
}

TEST_F(AppFiles, AutosaveNamesAfterTheSessionAndHonoursCancelAndTheUnchosenFolder) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(QDir().mkpath(Path("auto")));
  app().settings.autosaveFolder = Path("auto").toStdString();
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    LinkFields(store()).sessionDirectory[3].startDate = "03/05/24";
    LinkFields(store()).sessionDirectory[3].startTime = "07:08:09";
  }
  const QString named = Path("auto") + "/Tuesday, March 05, 2024 07_08_09.hsc";

  // Nothing held: no prompt, only the name.
  EXPECT_TRUE(doc().Autosave(3, DocumentType::Capture, false));
  EXPECT_EQ(doc().PathName(), named);
  EXPECT_EQ(doc().captureFilePath(), named);
  EXPECT_EQ(Title(), "Quorlan View PC - Tuesday, March 05, 2024 07_08_09.hsc");

  // The capture that came under that name is saved there by the next step's Yes.
  FillCapture(store(), 6);
  doc().SetTypeModified(true, DocumentType::Capture);
  const auto first = CaptureFields(store());
  answers.Box("Save changes to Tuesday, March 05, 2024 07_08_09.hsc?", IDYES);
  EXPECT_TRUE(doc().Autosave(-1, DocumentType::Capture, false));
  CORUData reread;
  FileSettings settings;
  ASSERT_EQ(LoadDocumentFile(named.toStdString(), reread, DocumentType::Capture, settings), FileStatus::Ok);
  EXPECT_EQ(CaptureFields(reread), first);
  EXPECT_TRUE(CaptureFields(store()).empty());
  const QString clockNamed = Path("auto") + "/Wednesday, December 09, 2026 10_11_12.hsc";
  EXPECT_EQ(doc().PathName(), clockNamed);
  EXPECT_EQ(doc().captureFilePath(), named);  // slot -1 without keepPath keeps the file path

  // Slot 9 is outside the directory: the clock names it; keepPath makes it the file path.
  EXPECT_TRUE(doc().Autosave(9, DocumentType::Capture, true));
  EXPECT_EQ(doc().captureFilePath(), clockNamed);

  // Cancel keeps data, path and title.
  FillCapture(store(), 2);
  doc().SetTypeModified(true, DocumentType::Capture);
  answers.Box(IDCANCEL);
  EXPECT_FALSE(doc().Autosave(3, DocumentType::Capture, false));
  EXPECT_EQ(CaptureFields(store()).size(), 2u);
  EXPECT_EQ(doc().PathName(), clockNamed);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));

  // The folder "c:\" asks for a folder first; cancelling it does nothing.
  app().settings.autosaveFolder = "c:\\";
  answers.Folder(std::nullopt);
  EXPECT_FALSE(doc().Autosave(3, DocumentType::Capture, false));
  EXPECT_EQ(answers.prompts().back().title, "Select Autosave folder");
  EXPECT_EQ(app().settings.autosaveFolder, "c:\\");
  EXPECT_EQ(CaptureFields(store()).size(), 2u);

  ASSERT_TRUE(QDir().mkpath(Path("chosen")));
  answers.Folder(Path("chosen"));
  answers.Box(IDNO);
  EXPECT_TRUE(doc().Autosave(3, DocumentType::Capture, false));
  EXPECT_EQ(app().settings.autosaveFolder, Path("chosen").toStdString());
  EXPECT_EQ(doc().PathName(), Path("chosen") + "/Tuesday, March 05, 2024 07_08_09.hsc");
  EXPECT_TRUE(CaptureFields(store()).empty());
  EXPECT_FALSE(doc().IsTypeModified(DocumentType::Capture));
}

}  // namespace
