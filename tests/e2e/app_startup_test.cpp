#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QProcess>
#include <QSettings>

#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruDocument.h"
#include "tests/shell/AppFixture.h"

namespace {

class AppStartup : public apptest::AppFixture {
 protected:
  QSettings Saved() { return QSettings(SettingsPath(), QSettings::IniFormat); }
};

TEST_F(AppStartup, FirstRunDefaultsThenMissingValuesAfterASave) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(app().settings.format, 5);
  EXPECT_EQ(app().settings.deltaV, 0);
  EXPECT_EQ(app().settings.traceLine, 1);
  EXPECT_EQ(app().dataStore.selectedLine.load(), 1);
  EXPECT_EQ(app().context.captureOptions.load(), 4);
  EXPECT_EQ(app().settings.autosaveFolder, (QDir(Path("")).path() + "/").toStdString());
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - ");
  EXPECT_EQ(app().displayFont.family(), "Courier New");
  EXPECT_EQ(QFontMetrics(app().displayFont).height(), 16);
  Exit();
  {
    QSettings saved(SettingsPath(), QSettings::IniFormat);
    EXPECT_EQ(saved.value("Startup/Format").toInt(), 5);
    EXPECT_EQ(saved.value("Startup/Default").toInt(), 1);
    saved.remove("Startup/Format");
    saved.remove("Startup/DeltaV");
  }
  ASSERT_TRUE(Start());
  EXPECT_EQ(app().settings.format, 6);
  EXPECT_EQ(app().settings.deltaV, 50);
  app().OnNewCaptureOverwrite();
  EXPECT_EQ(app().context.captureOptions.load(), 2);
  bool enabled = false;
  bool checked = false;
  EXPECT_TRUE(app().UpdateCommand(32797, &enabled, &checked));
  EXPECT_TRUE(checked);
  EXPECT_TRUE(app().UpdateCommand(32790, &enabled, &checked));
  EXPECT_FALSE(checked);
}

TEST_F(AppStartup, AnInstallationRunStartsNothingAndSavesNothing) {
  EXPECT_FALSE(Start({"/InstallDriver64", "/InstallDriver32", Path("oru.inf")}));
  EXPECT_TRUE(app().IsInstallRun());
  EXPECT_EQ(app().mainFrame, nullptr);
  EXPECT_EQ(app().context.commThreadId.load(), 0u);
  Exit();
  EXPECT_FALSE(QFile::exists(SettingsPath()));
}

TEST_F(AppStartup, TheCommandLineFileOpensOnItsTab) {
  {
    CORUData other;
    apptest::FillTrace(other, 300, 1);
    ASSERT_EQ(SaveDocumentFile(Path("a.HSC.ast").toStdString(), other, DocumentType::Trace, FileSettings{}),
              FileStatus::Ok);
  }
  ASSERT_TRUE(Start({Path("a.HSC.ast")}));
  EXPECT_EQ(app().CurrentTab(), 1);
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - a.HSC.ast");
  EXPECT_EQ(apptest::TraceSamples(app().dataStore).size(), 1000u);
  EXPECT_EQ(app().RecentFiles().front(), Path("a.HSC.ast"));
}

TEST_F(AppStartup, ASecondInstanceInProcessRaisesTheFirstAndSavesNothing) {
  ASSERT_TRUE(Start());
  app().mainFrame->showMinimized();
  StartupRecord record;
  record.settingsFile = SettingsPath();
  record.instanceServerName = ServerPath();
  record.showSplash = false;
  record.answerer = &answers;
  {
    CORUpc144App second(record);
    EXPECT_FALSE(second.InitInstance());
    EXPECT_TRUE(second.IsSecondInstance());
    second.ExitInstance();
  }
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  EXPECT_TRUE(apptest::Eventually([&] { return app().RaiseRequests() == 1; }));
  EXPECT_FALSE(app().mainFrame->isMinimized());
}

TEST_F(AppStartup, ASecondProcessRaisesTheFirstAndExits) {
  const QString runtime = Path("run");
  ASSERT_TRUE(QDir().mkpath(runtime));
  QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  serverPath = runtime + "/CORUpc144App";
  ASSERT_TRUE(Start());

  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtime);
  env.insert("XDG_CONFIG_HOME", Path("config"));
  env.insert("HOME", Path("home"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QUORLAN_INSTRUMENT", "none");
  second.setProcessEnvironment(env);
  second.start(QV_PROGRAM_PATH, {});
  ASSERT_TRUE(second.waitForStarted());
  EXPECT_TRUE(apptest::Eventually([&] { return second.state() == QProcess::NotRunning; }));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  EXPECT_TRUE(apptest::Eventually([&] { return app().RaiseRequests() == 1; }));
  EXPECT_FALSE(QDir(Path("config")).exists("Pelgrave, Inc."));
}

}  // namespace
