#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QFile>

#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruDocument.h"
#include "resources/data/ResourceIds.h"
#include "tests/shell/AppFixture.h"

namespace {

class AppCommands : public apptest::AppFixture {
 protected:
  CORUpc144Doc& doc() { return *app().currentDocument; }
  int CommandsStartingWith(const std::string& prefix) {
    int n = 0;
    for (const std::string& c : instrument().transcript().commands()) n += c.rfind(prefix, 0) == 0;
    return n;
  }
};

TEST_F(AppCommands, ColourChoicesKeepTextColourAndShadeInStep) {
  ASSERT_TRUE(Start());
  answers.Color(0x000010);
  app().OnCommand(ID_SELECT_ANSWER_COLOR);
  EXPECT_EQ(answers.prompts().back().title, "Select Answer Color...");
  EXPECT_EQ(answers.prompts().back().initialColor, 0u);
  EXPECT_EQ(app().settings.answerColor, 0x000010u);
  EXPECT_EQ(app().settings.answerTextColor, 0xFFFFFFu);
  EXPECT_EQ(app().settings.answerShade, ShadeColor(0x000010));

  answers.Color(std::nullopt);
  app().OnCommand(ID_SELECT_ORIGINATE_COLOR);
  EXPECT_EQ(app().settings.originateColor, 0x80DF80u);

  app().settings.markerColor = 0x00FFFF;
  app().OnCommand(ID_DEFAULT_ALL_COLORS);
  EXPECT_EQ(app().settings.answerColor, 0x8080DFu);
  EXPECT_EQ(app().settings.answerTextColor, 0u);
  EXPECT_EQ(app().settings.originateTextColor, 0u);
  EXPECT_EQ(app().settings.markerColor, 0xFF0000u);
  EXPECT_EQ(app().settings.markerTextColor, 0xFFFFFFu);
  EXPECT_EQ(app().settings.answerShade, 0x5555D5u);
}

TEST_F(AppCommands, DeviceClockFromThePcPostsOnlyWithADevice) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(apptest::Eventually([&] { return CommandsStartingWith("VN") >= 1; }));
  answers.Box("ORU time set to PC time", IDOK);  // the frame's confirmation of 2048
  app().OnCommand(ID_SET_CLOCK_TO_PC_TIME);
  EXPECT_TRUE(apptest::Eventually([&] { return CommandsStartingWith("SR") == 1 && answers.AllUsed(); }));

  UnplugInstrument();
  ASSERT_TRUE(apptest::Eventually([&] {
    app().mainFrame->RunIdleUpdate();
    return !app().context.DeviceOpen();
  }));
  answers.Box("No USB connection to ORUpc", IDOK);
  app().OnCommand(ID_SET_CLOCK_TO_PC_TIME);
  EXPECT_EQ(answers.prompts().back().title, "COMM Error");
  EXPECT_EQ(answers.prompts().back().style, MB_OK | MB_SYSTEMMODAL);
}

TEST_F(AppCommands, FileNewAsksPerModifiedTypeAndCancelDiscardsNothing) {
  ASSERT_TRUE(Start());
  apptest::FillCapture(app().dataStore, 4);
  doc().SetTypeModified(true, DocumentType::Capture);
  answers.Box("Save changes to Untitled?", IDCANCEL);
  app().OnCommand(ID_FILE_NEW);
  EXPECT_EQ(apptest::CaptureFields(app().dataStore).size(), 4u);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));

  // A save that fails answers false: nothing is discarded.
  answers.Box(IDYES).SaveFile(Path("missing/folder/c")).Box("Failed to save document.", IDOK);
  EXPECT_FALSE(app().NewCapture());
  EXPECT_EQ(apptest::CaptureFields(app().dataStore).size(), 4u);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));

  answers.Box(IDNO);
  EXPECT_TRUE(app().NewCapture());
  EXPECT_TRUE(apptest::CaptureFields(app().dataStore).empty());
  EXPECT_FALSE(doc().IsTypeModified(DocumentType::Capture));
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - ");
  // Nothing modified: no prompt at all.
  EXPECT_TRUE(app().NewCapture());
}

TEST_F(AppCommands, ARecentFileReopensAndTheListKeepsFour) {
  for (int i = 0; i < 5; ++i) {
    CORUData other;
    apptest::FillTrace(other, 10, i);
    ASSERT_EQ(
        SaveDocumentFile(Path(QString("t%1.ast").arg(i)).toStdString(), other, DocumentType::Trace, FileSettings{}),
        FileStatus::Ok);
  }
  ASSERT_TRUE(Start());
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(app().OpenDocumentFile(Path(QString("t%1.ast").arg(i))));
  ASSERT_EQ(app().RecentFiles().size(), 4);
  EXPECT_EQ(app().RecentFiles().front(), Path("t4.ast"));
  EXPECT_EQ(app().RecentFiles().back(), Path("t1.ast"));
  app().OnCommand(ID_FILE_MRU_FILE1 + 3);
  EXPECT_EQ(doc().traceFilePath(), Path("t1.ast"));
  EXPECT_EQ(app().RecentFiles().front(), Path("t1.ast"));
}

// Each entry of a full list, chosen from the File menu, loads that file, names it in the title and
// moves to the top with the other three kept in their order.
TEST_F(AppCommands, EachRecentEntryOpensAndNamesItsOwnFile) {
  const QStringList names{"t2.ast", "c1.hsc", "t3.ast", "multi.hsc"};  // opened oldest first
  for (int i = 0; i < names.size(); ++i) {
    CORUData other;
    const bool trace = names[i].endsWith(".ast");
    if (trace)
      apptest::FillTrace(other, 10, i);
    else
      apptest::FillCapture(other, 3 + i, i);
    ASSERT_EQ(SaveDocumentFile(Path(names[i]).toStdString(), other, trace ? DocumentType::Trace : DocumentType::Capture,
                               FileSettings{}),
              FileStatus::Ok);
  }
  ASSERT_TRUE(Start());
  for (const QString& name : names) ASSERT_TRUE(app().OpenDocumentFile(Path(name)));
  for (int entry = 0; entry < 4; ++entry) {
    const QStringList before = app().RecentFiles();
    ASSERT_EQ(before.size(), 4);
    const QString chosen = before[entry];
    app().mainFrame->Action(ID_FILE_MRU_FILE1 + entry)->trigger();
    const QString name = chosen.mid(chosen.lastIndexOf('/') + 1);
    EXPECT_EQ(app().mainFrame->windowTitle().toStdString(), "Quorlan View PC - " + name.toStdString())
        << "entry " << entry + 1;
    QStringList expected = before;
    expected.move(entry, 0);
    EXPECT_EQ(app().RecentFiles().join(' ').toStdString(), expected.join(' ').toStdString()) << "entry " << entry + 1;
    EXPECT_EQ(chosen.endsWith(".ast") ? doc().traceFilePath() : doc().captureFilePath(), chosen);
    if (chosen.endsWith(".hsc")) {
      EXPECT_EQ(apptest::CaptureFields(app().dataStore).size(), static_cast<std::size_t>(3 + names.indexOf(name)));
    }
  }
}

// While a capture is armed the recent files are greyed, as Open is; afterwards the entries held
// are offered again and the empty places stay greyed.
TEST_F(AppCommands, RecentEntriesAreGreyedWhileACaptureRuns) {
  CORUData other;
  apptest::FillTrace(other, 10);
  ASSERT_EQ(SaveDocumentFile(Path("t.ast").toStdString(), other, DocumentType::Trace, FileSettings{}), FileStatus::Ok);
  ASSERT_TRUE(Start());
  ASSERT_TRUE(app().OpenDocumentFile(Path("t.ast")));
  ASSERT_TRUE(apptest::Eventually([&] { return CommandsStartingWith("VN") >= 1; }));
  CMainFrame& frame = *app().mainFrame;
  const auto entries = [&] {
    frame.RunIdleUpdate();
    std::string shown;
    for (int i = 0; i < 4; ++i) shown += frame.Action(ID_FILE_MRU_FILE1 + i)->isEnabled() ? '1' : '0';
    return shown;
  };
  EXPECT_EQ(entries(), "1000");
  app().SelectTab(0);
  auto* capture = qobject_cast<QAbstractButton*>(app().Views().controlView->Control(IDC_CAPTURE));
  capture->click();
  ASSERT_TRUE(apptest::Eventually([&] { return app().dataStore.Run().captureBusy(); }));
  EXPECT_EQ(entries(), "0000");
  EXPECT_FALSE(frame.Action(ID_FILE_OPEN)->isEnabled());
  answers.Box("Capture aborted.", IDOK);
  capture->click();
  ASSERT_TRUE(apptest::Eventually([&] { return answers.AllUsed() && !app().dataStore.Run().captureBusy(); }));
  EXPECT_EQ(entries(), "1000");
}

}  // namespace
