// QUORLAN_SCENARIO as the program reads it: a name that is not built in, or a file that does
// not parse or holds more than a scenario may, ends the program before anything starts, with
// exit code 2 and the reason.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <optional>
#include <ostream>
#include <string>

namespace {

struct BadChoice {
  const char* label;
  const char* name;
  std::optional<std::string> text;  // the file's text; none: `name` is the variable's value
  const char* says;                 // after "QUORLAN_SCENARIO=<value>: "
};

void PrintTo(const BadChoice& c, std::ostream* os) { *os << c.label; }

// One call carrying `items` ("<item line>\n" each).
std::string oneCall(const std::string& items) {
  return "scenario big\ncall 0 \"CONNECT 2400\"\n" + items + "  end 1000 code 9\nendcall\n";
}

class ScenarioChoiceProgram : public ::testing::TestWithParam<BadChoice> {};

TEST_P(ScenarioChoiceProgram, EndsWithCodeTwoAndTheReason) {
  const BadChoice& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString value = c.name;
  QString says = c.says;
  if (c.text) {
    value = dir.filePath(c.name);
    QFile file(value);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.text->data(), static_cast<qint64>(c.text->size()));
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
    ::testing::Values(BadChoice{"UnknownName", "no-such-line", std::nullopt,
                                "no built-in scenario \"no-such-line\" (built in: b300, "},
                      BadChoice{"BadFile", "typo.scn", "scenario typo\nat 1 dc 1 -8\nat 2 tone 1 dialtone cadence 1\n",
                                "line 3: missing off time"},
                      // 4 KB of text repeated 1000 times: few items, 4 MB of data.
                      BadChoice{"DataPastTheBound", "big.scn",
                                oneCall("  text 0 answer \"" + std::string(4001, 'x') + "\" every 0.01 count 1000\n"),
                                "line 3: more than 4000000 bytes of call data in the scenario"},
                      BadChoice{"ItemsOfTwoCallsPastTheBound", "many.scn",
                                oneCall("  event 0 answer 1 2 3 4 every 0.001 count 100000\n"
                                        "  event 100 answer 1 2 3 4 every 0.001 count 100000\n") +
                                    "call 2000 \"CONNECT 2400\"\n  event 0 answer 1 2 3 4 every 0.001 count 1\n"
                                    "  end 1000 code 9\nendcall\n",
                                "line 8: more than 200000 items in the scenario"},
                      BadChoice{"DigitsPastTheBound", "digits.scn",
                                "scenario d\nat 0 dtmf 1 " + std::string(20001, '5') + "\n",
                                "line 2: more than 20000 DC, status, tone and DTMF events"},
                      BadChoice{"FilePastTheBound", "long.scn", "scenario long\n" + std::string(1u << 20, '\n'),
                                "the file is larger than 1048576 bytes"}),
    [](const ::testing::TestParamInfo<BadChoice>& info) { return info.param.label; });

}  // namespace
