#include <gtest/gtest.h>

#include "link/store/DocumentType.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/AppCommandRules.h"
#include "shell/model/AutosaveRule.h"
#include "shell/model/CommandLine.h"
#include "shell/model/DocumentDialogs.h"
#include "shell/model/MainTitle.h"

namespace {

TEST(MainTitleRule, NameAfterTheLastSeparatorWithoutCut) {
  EXPECT_EQ(MainTitle("C:\\data\\run1.hsc"), "Quorlan View PC - run1.hsc");
  EXPECT_EQ(MainTitle("run2.ast"), "Quorlan View PC - run2.ast");
  EXPECT_EQ(MainTitle(""), "Quorlan View PC - ");
  EXPECT_EQ(MainTitle("/home/u/x\\y/a.HSC.ast"), "Quorlan View PC - a.HSC.ast");
  const std::string longName(100, 'n');
  EXPECT_EQ(MainTitle("/tmp/" + longName + ".hsc"), "Quorlan View PC - " + longName + ".hsc");
}

struct LineCase {
  const char* name;
  std::vector<std::string> arguments;
  InstallSwitch install;
  std::string file;
};

class CommandLineRule : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineRule, SwitchesAreWholeArgumentsAndEverythingElseIsTheFile) {
  const LineCase& c = GetParam();
  const CommandLine line = ParseCommandLine(c.arguments);
  EXPECT_EQ(line.install, c.install);
  EXPECT_EQ(line.file, c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineRule,
    ::testing::Values(
        LineCase{"Empty", {}, InstallSwitch::None, ""},
        LineCase{"File", {"/data/run1.hsc"}, InstallSwitch::None, "/data/run1.hsc"},
        LineCase{
            "PathHoldingTheSwitchText", {"/InstallDriver32/run.hsc"}, InstallSwitch::None, "/InstallDriver32/run.hsc"},
        LineCase{"Both32Wins", {"/InstallDriver64", "/InstallDriver32", "oru.inf"}, InstallSwitch::Driver32, ""},
        LineCase{"Only64", {"/InstallDriver64", "oru.inf"}, InstallSwitch::Driver64, ""},
        LineCase{"CaseMatters", {"/installdriver32"}, InstallSwitch::None, "/installdriver32"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentDialogRules, SaveAsAndSaveFollowTheType) {
  const FileDialogSpec traceAs = SaveAsDialogSpec(DocumentType::Trace);
  EXPECT_EQ(traceAs.title, "Save ORUpc trace file as");
  EXPECT_EQ(traceAs.defaultExtension, "ast");
  ASSERT_EQ(traceAs.filters.size(), 1u);
  EXPECT_EQ(traceAs.filters[0].first, "ORU Signal Trace Files (*.ast)");
  EXPECT_EQ(traceAs.filters[0].second, "*.ast");
  EXPECT_EQ(traceAs.flags, kHideReadOnly | kOverwritePrompt);

  const FileDialogSpec captureAs = SaveAsDialogSpec(DocumentType::Capture);
  EXPECT_EQ(captureAs.title, "Save ORUpc capture file as");
  EXPECT_EQ(captureAs.defaultExtension, "hsc");
  EXPECT_EQ(captureAs.filters[0].first, "ORUpc Capture files (*.hsc)");

  const FileDialogSpec trace = SaveDialogSpec(DocumentType::Trace, "/auto/");
  EXPECT_EQ(trace.title, "Save ORUpc trace file");
  EXPECT_EQ(trace.filters[0].first, "ORU Signal Trace files (*.ast)");
  EXPECT_EQ(trace.initialFolder, "/auto/");
  EXPECT_EQ(SaveDialogSpec(DocumentType::Capture, "").title, "Save ORUpc capture file");
}

TEST(DocumentDialogRules, OpenPutsTheShownTabsTypeFirst) {
  const FileDialogSpec onTrace = OpenDialogSpec(1, "/auto/");
  EXPECT_EQ(onTrace.title, "Open Quorlan View PC file");
  EXPECT_EQ(onTrace.initialFolder, "/auto/");
  ASSERT_EQ(onTrace.filters.size(), 2u);
  EXPECT_EQ(onTrace.filters[0].first, "Quorlan View PC Signal Trace files (*.ast)");
  EXPECT_EQ(onTrace.filters[1].first, "Quorlan View PC Capture files (*.hsc)");
  EXPECT_EQ(onTrace.defaultExtension, "ast");
  for (int tab : {0, 2, 3}) {
    const FileDialogSpec spec = OpenDialogSpec(tab, "");
    EXPECT_EQ(spec.filters[0].second, "*.hsc") << tab;
    EXPECT_EQ(spec.defaultExtension, "hsc") << tab;
  }
  EXPECT_EQ(DocumentTypeForTab(1), DocumentType::Trace);
  EXPECT_EQ(DocumentTypeForTab(3), DocumentType::Capture);
}

TEST(DocumentDialogRules, ExportProposesTheCsvName) {
  const FileDialogSpec spec = ExportDialogSpec("run1.hsc.HSC");
  EXPECT_EQ(spec.title, "Export capture buffer to TXT file");
  EXPECT_EQ(spec.defaultExtension, "txt");
  EXPECT_EQ(spec.filters[0].first, "Text files (*.csv)");
  EXPECT_EQ(spec.proposedName, "run1.csv.CSV");
  EXPECT_EQ(ExportDialogSpec("").proposedName, "");
}

TEST(DocumentDialogRules, ASaveWritesToThePathNameOnlyWhenItBelongsToTheType) {
  EXPECT_EQ(RouteForSave(DocumentType::Capture, DocumentType::Capture, "/a.hsc"), SaveRoute::WriteToPathName);
  EXPECT_EQ(RouteForSave(DocumentType::Capture, DocumentType::Trace, "/a.ast"), SaveRoute::AskForPath);
  EXPECT_EQ(RouteForSave(DocumentType::Trace, DocumentType::Trace, ""), SaveRoute::AskForPath);
  EXPECT_EQ(RouteForSave(DocumentType::Trace, std::nullopt, "/a.ast"), SaveRoute::AskForPath);
  EXPECT_EQ(SaveChangesText("run1.hsc"), "Save changes to run1.hsc?");
}

struct SlotCase {
  int slot;
  DocumentType type;
  bool fromEntry;
};

class AutosaveSlots : public ::testing::TestWithParam<SlotCase> {};

TEST_P(AutosaveSlots, OnlyASlotInsideTheDirectoryReadsItsEntry) {
  const SlotCase& c = GetParam();
  const CivilTime clock{2026, 12, 9, 10, 11, 12};
  const CivilTime when = AutosaveTimeFor(c.slot, c.type, "03/05/24", "07:08:09", clock);
  const CivilTime entry{2024, 3, 5, 7, 8, 9};
  EXPECT_EQ(when, c.fromEntry ? entry : clock);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, AutosaveSlots,
    ::testing::Values(SlotCase{-1, DocumentType::Capture, false}, SlotCase{0, DocumentType::Capture, true},
                      SlotCase{8, DocumentType::Capture, true}, SlotCase{9, DocumentType::Capture, false},
                      SlotCase{2, DocumentType::Trace, true}, SlotCase{3, DocumentType::Trace, false},
                      SlotCase{9, DocumentType::Trace, false}));

TEST(AutosaveRuleTest, NameAndFolder) {
  EXPECT_EQ(AutosaveFilePath("/auto", CivilTime{2024, 3, 5, 7, 8, 9}, DocumentType::Capture),
            "/auto/Tuesday, March 05, 2024 07_08_09.hsc");
  EXPECT_EQ(AutosaveFilePath("/auto/", AutosaveTime("00/00/00", "10:11:12", {}), DocumentType::Trace),
            "/auto/Saturday, January 01, 2000 10_11_12.ast");
  EXPECT_TRUE(AutosaveNeedsFolderChoice("c:\\"));
  EXPECT_FALSE(AutosaveNeedsFolderChoice("C:\\"));
  EXPECT_FALSE(AutosaveNeedsFolderChoice("c:\\logs"));
  EXPECT_FALSE(AutosaveNeedsFolderChoice("/"));
}

TEST(AppCommandRulesTest, OptionsAreCheckedAndFileCommandsGreyDuringActivity) {
  AppCommandInputs idle;
  idle.options = 4;
  idle.dataHeld = true;
  EXPECT_EQ(AppCommandState(ID_NEW_CAPTURE_AUTOSAVE, idle), (CommandState{true, true}));
  EXPECT_EQ(AppCommandState(ID_NEW_CAPTURE_CONCATENATE, idle), (CommandState{true, false}));
  EXPECT_EQ(AppCommandState(ID_NEW_CAPTURE_OVERWRITE, idle), (CommandState{true, false}));
  AppCommandInputs busy = idle;
  busy.activity = true;
  for (int id : {ID_FILE_OPEN, ID_FILE_NEW, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE_DATA}) {
    EXPECT_EQ(AppCommandState(id, idle), (CommandState{true, false})) << id;
    EXPECT_EQ(AppCommandState(id, busy), (CommandState{false, false})) << id;
  }
  EXPECT_EQ(AppCommandState(ID_NEW_CAPTURE_OVERWRITE, busy), (CommandState{true, false}));
  AppCommandInputs empty = idle;
  empty.dataHeld = false;
  EXPECT_EQ(AppCommandState(ID_FILE_SAVE, empty), (CommandState{false, false}));
  EXPECT_EQ(AppCommandState(ID_FILE_NEW, empty), (CommandState{true, false}));
  EXPECT_FALSE(AppCommandState(ID_EXPORT_TEXT, idle).has_value());
  AppCommandInputs noWindow = idle;
  noWindow.mainWindow = false;
  EXPECT_FALSE(AppCommandState(ID_FILE_NEW, noWindow).has_value());
}

}  // namespace
