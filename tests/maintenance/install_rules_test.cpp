// The installer's pure rules: switches and the INF path, id patterns, id lists and the fatal
// error report.

#include <gtest/gtest.h>

#include <cstring>

#include "maintenance/install/DriverInstall.h"
#include "maintenance/install/IdList.h"
#include "maintenance/install/IdPattern.h"
#include "maintenance/install/InstallerOutput.h"
#include "platform/win32/LastError.h"

namespace {

struct SwitchCase {
  std::vector<std::string> arguments;
  InstallOperation operation;
  std::optional<std::string> inf;
};

class CommandLineRules : public testing::TestWithParam<SwitchCase> {};

TEST_P(CommandLineRules, PickTheOperationAndKeepThePathWhole) {
  EXPECT_EQ(InstallOperationOf(GetParam().arguments), GetParam().operation);
  if (GetParam().operation != InstallOperation::None) {
    EXPECT_EQ(InfPathOf(GetParam().arguments), GetParam().inf);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineRules,
    testing::Values(
        SwitchCase{
            {"/InstallDriver32", "/home/user/a b/oru.inf"}, InstallOperation::Driver32, "/home/user/a b/oru.inf"},
        SwitchCase{
            {"/InstallDriver64", "D:\\drivers\\ORUpc.inf"}, InstallOperation::Driver64, "D:\\drivers\\ORUpc.inf"},
        // Starts and ends with letters of the switch's own text: nothing is trimmed.
        SwitchCase{{"/InstallDriver64", "InstallDriver64.inf"}, InstallOperation::Driver64, "InstallDriver64.inf"},
        SwitchCase{{"oru.inf", "/InstallDriver64", "/InstallDriver32"}, InstallOperation::Driver32, "oru.inf"},
        SwitchCase{{"/InstallDriver32"}, InstallOperation::Driver32, std::nullopt},
        // An empty argument is no path; a second path is one too many.
        SwitchCase{{"/InstallDriver64", "", "x.inf", ""}, InstallOperation::Driver64, "x.inf"},
        SwitchCase{{"/InstallDriver64", ""}, InstallOperation::Driver64, std::nullopt},
        SwitchCase{{"/InstallDriver32", "x.inf", "y.inf"}, InstallOperation::Driver32, std::nullopt},
        SwitchCase{{"/home/u/InstallDriver64/run.hsc"}, InstallOperation::None, std::nullopt},
        SwitchCase{{"/InstallDriver32x", "/installdriver64"}, InstallOperation::None, std::nullopt}));

TEST(InstallRun, NoInfPathGivesThreeAndTouchesNothing) {
  std::FILE* err = std::tmpfile();
  SetInstallerStreams(nullptr, err);
  EXPECT_EQ(RunInstallOperation({"/InstallDriver64"}, "/nonexistent/never-made"), kInstallNoInf);
  EXPECT_EQ(RunInstallOperation({"/InstallDriver64", "a.inf", "b"}, "/nonexistent/never-made"), kInstallNoInf);
  EXPECT_EQ(RunInstallOperation({"/home/u/InstallDriver64/run.hsc"}, "/nonexistent/never-made"), -1);
  SetInstallerStreams(nullptr, nullptr);
  std::fclose(err);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent/never-made"));
}

struct PatternCase {
  const char* pattern;
  const char* text;
  bool match;
};

class IdPatterns : public testing::TestWithParam<PatternCase> {};

TEST_P(IdPatterns, Match) {
  EXPECT_EQ(MatchIdPattern(GetParam().text, ParseIdPattern(GetParam().pattern)), GetParam().match)
      << GetParam().pattern << " / " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IdPatterns,
    testing::Values(PatternCase{kInstrumentPattern, "USB\\VID_0452&PID_0201\\ORU14400-000001", true},
                    PatternCase{kInstrumentPattern, "usb\\vid_0452&pid_0201\\1&0&3", true},
                    PatternCase{kInstrumentPattern, "USB\\VID_0452&PID_0201\\", true},
                    PatternCase{kInstrumentPattern, "USB\\VID_0452&PID_0202\\ORU14400-000001", false},
                    PatternCase{kInstrumentPattern, "USB\\VID_0452&PID_0201", false},
                    PatternCase{"@'USB\\*", "USB\\*", true}, PatternCase{"@'USB\\*", "USB\\X", false},
                    PatternCase{"'A*", "a*", true}, PatternCase{"*", "", true}, PatternCase{"*", "anything", true},
                    PatternCase{"A*B*C", "AxxBxBxxC", true},  // middle segment retried
                    PatternCase{"A*BC*D", "ABxBCyD", true},   // a first partial hit is passed over
                    PatternCase{"A*B*C", "AxxCxB", false},
                    PatternCase{"AB*B", "AB", false},  // the last segment must fit what is left
                    PatternCase{"AB*B", "ABB", true}, PatternCase{"A*XYZ", "AYZ", false}, PatternCase{"*Z", "z", true},
                    PatternCase{"AB**C", "ABC", true}, PatternCase{"USB\\CLASS_FF", "usb\\class_ff", true},
                    PatternCase{"USB\\CLASS_FF", "usb\\class_ff&x", false},
                    PatternCase{"X*\xC3\xA9", "X\xC3\xA9", true}));

TEST(IdLists, SplitKeepsTheBufferAndMatchAnyChecksEveryString) {
  const char strings[] = "USB\\VID_0452&PID_0201&REV_0100\0USB\\VID_0452&PID_0201\0";
  char* buffer = new char[sizeof strings];
  std::memcpy(buffer, strings, sizeof strings);
  char** list = SplitMultiString(buffer);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list[-1], buffer);
  EXPECT_STREQ(list[0], "USB\\VID_0452&PID_0201&REV_0100");
  EXPECT_EQ(list[1], buffer + std::strlen(list[0]) + 1);
  EXPECT_EQ(list[2], nullptr);
  EXPECT_TRUE(MatchAnyId(list, ParseIdPattern("usb\\vid_0452&pid_0201")));
  EXPECT_FALSE(MatchAnyId(list, ParseIdPattern("USB\\VID_0452")));
  EXPECT_FALSE(MatchAnyId(nullptr, ParseIdPattern("*")));
  FreeIdList(list);

  char* empty = new char[2]();
  char** none = SplitMultiString(empty);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none[0], nullptr);
  EXPECT_FALSE(MatchAnyId(none, ParseIdPattern("*")));
  FreeIdList(none);
}

TEST(FatalError, GoesToTheDisplayHookAndEndsThroughTheExitHook) {
  std::string shown, caption;
  int code = -1;
  SetFatalErrorDisplay([&](const std::string& t, const std::string& c) {
    shown = t;
    caption = c;
  });
  SetFatalErrorExit([&](int c) { code = c; });
  SetLastError(ERROR_FILE_NOT_FOUND);
  ReportFatalError("SetupDiGetClassDevsEx");
  EXPECT_EQ(shown, "SetupDiGetClassDevsEx failed with error 2: The file was not found.");
  EXPECT_EQ(caption, "Error");
  EXPECT_EQ(code, 2);

  SetFatalErrorDisplay(nullptr);
  std::FILE* err = std::tmpfile();
  SetInstallerStreams(nullptr, err);
  SetLastError(ERROR_INVALID_DATA);
  ReportFatalError("Step");
  SetInstallerStreams(nullptr, nullptr);
  SetFatalErrorExit(nullptr);
  std::rewind(err);
  char line[128] = "";
  ASSERT_NE(std::fgets(line, sizeof line, err), nullptr);
  EXPECT_STREQ(line, "Step failed with error 13: The data is not valid.\n");
  EXPECT_EQ(code, 13);
  std::fclose(err);
}

}  // namespace
