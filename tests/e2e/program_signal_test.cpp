// SIGTERM given to the program itself at moments through its start-up: before the window is up
// (during the splash, or while a start-up box about a damaged file shows) it ends at once, after
// it the window closes as its own close does. Whenever it comes, the program is gone within 10 s.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <ostream>

namespace {

struct Moment {
  int delayMs;
  bool damagedFile;  // a capture file that fails to load is named on the command line
};

void PrintTo(const Moment& m, std::ostream* os) { *os << m.delayMs << " ms" << (m.damagedFile ? ", box" : ""); }

class ProgramSignal : public ::testing::TestWithParam<Moment> {};

TEST_P(ProgramSignal, TermEndsTheProgramWithinTenSeconds) {
  const Moment& m = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* folder : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "QUORLAN_MACHINE_ROOT"}) {
    ASSERT_TRUE(QDir().mkpath(dir.filePath(folder)));
    env.insert(folder, dir.filePath(folder));
  }
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QStringList arguments;
  if (m.damagedFile) {
    QFile file(dir.filePath("damaged.hsc"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a capture");
    arguments << file.fileName();
  }
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(QV_PROGRAM_PATH, arguments);
  ASSERT_TRUE(program.waitForStarted(10000));
  QThread::msleep(static_cast<unsigned long>(m.delayMs));  // the moment the signal comes, not a wait for a result
  ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
  const bool ended = program.waitForFinished(10000);
  if (!ended) program.kill();
  ASSERT_TRUE(ended) << "still running 10 s after SIGTERM at " << m.delayMs << " ms";
  // Once its handlers are in, the program ends itself, with code 0.
  if (program.exitStatus() == QProcess::NormalExit) {
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Moments, ProgramSignal,
                         ::testing::Values(Moment{0, false}, Moment{300, false}, Moment{600, false},
                                           Moment{1000, false}, Moment{1500, false}, Moment{2000, false},
                                           Moment{3000, false}, Moment{1000, true}, Moment{2000, true},
                                           Moment{3000, true}),
                         [](const ::testing::TestParamInfo<Moment>& info) {
                           return std::to_string(info.param.delayMs) + "ms" + (info.param.damagedFile ? "Box" : "");
                         });

}  // namespace
