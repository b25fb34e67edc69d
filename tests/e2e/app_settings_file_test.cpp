// The settings file at exit: a link there is neither read nor written, and a write that fails
// is said once on standard error; the program ends as always.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/shell/AppFixture.h"

namespace {

class AppSettingsFile : public apptest::AppFixture {
 protected:
  // Start, then exit with standard error captured.
  std::string RunAndExit() {
    EXPECT_TRUE(Start());
    testing::internal::CaptureStderr();
    Exit();
    return testing::internal::GetCapturedStderr();
  }
};

TEST_F(AppSettingsFile, ALinkIsNotFollowedAndSaidOnce) {
  const QString victim = Path("victim.ini");
  const QByteArray kept = "[Startup]\nFormat=6\nDeltaV=77\n";
  {
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kept);
  }
  ASSERT_TRUE(QFile::link(victim, SettingsPath()));
  ASSERT_TRUE(Start());
  EXPECT_EQ(app().settings.format, 5);  // first-run defaults: the linked file was not read
  EXPECT_EQ(app().settings.deltaV, 0);
  testing::internal::CaptureStderr();
  Exit();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "quorlan-view: " + SettingsPath().toStdString() +
                      " is a link, which is not followed; the settings were not saved\n");
  EXPECT_EQ(apptest::FileBytes(victim), kept);
  EXPECT_TRUE(QFileInfo(SettingsPath()).isSymLink());
}

TEST_F(AppSettingsFile, AWriteThatFailsIsSaidOnce) {
  // A folder where the file goes: neither the settings nor the recent files can be written.
  ASSERT_TRUE(QDir().mkpath(SettingsPath()));
  const std::string said = RunAndExit();
  EXPECT_EQ(said, "quorlan-view: the settings could not be written to " + SettingsPath().toStdString() + "\n");
  EXPECT_TRUE(QFileInfo(SettingsPath()).isDir());
}

}  // namespace
