// QUORLAN_SCENARIO as the program reads it: a name that is not built in, or a file that does
// not parse, ends the program before anything starts, with exit code 2 and the reason.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <ostream>

namespace {

struct BadChoice {
  const char* name;
  const char* text;  // the file's text; nullptr: `name` is the variable's value
  const char* says;  // after "QUORLAN_SCENARIO=<value>: "
};

void PrintTo(const BadChoice& c, std::ostream* os) { *os << c.name; }

class ScenarioChoiceProgram : public ::testing::TestWithParam<BadChoice> {};

TEST_P(ScenarioChoiceProgram, EndsWithCodeTwoAndTheReason) {
  const BadChoice& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString value = c.name;
  QString says = c.says;
  if (c.text != nullptr) {
    value = dir.filePath(c.name);
    QFile file(value);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.text);
    says = value + ": " + says;
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* folder : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "QUORLAN_MACHINE_ROOT"}) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath(folder)));
    env.insert(folder, dir.filePath(folder));
  }
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QUORLAN_SCENARIO", value);
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QV_PROGRAM_PATH, {});
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 2);
  const QString error = QString::fromUtf8(program.readAllStandardError());
  EXPECT_TRUE(error.startsWith("QUORLAN_SCENARIO=" + value + ": " + says)) << error.toStdString();
  // Nothing was started: no settings and no machine state.
  EXPECT_TRUE(QDir(dir.filePath("XDG_CONFIG_HOME")).isEmpty());
  EXPECT_TRUE(QDir(dir.filePath("QUORLAN_MACHINE_ROOT")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ScenarioChoiceProgram,
    ::testing::Values(BadChoice{"no-such-line", nullptr, "no built-in scenario \"no-such-line\" (built in: b300, "},
                      BadChoice{"typo.scn", "scenario typo\nat 1 dc 1 -8\nat 2 tone 1 dialtone cadence 1\n",
                                "line 3: missing off time"}),
    [](const ::testing::TestParamInfo<BadChoice>& info) { return info.param.text ? "BadFile" : "UnknownName"; });

}  // namespace
