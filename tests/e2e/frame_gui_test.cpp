#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>

#include <algorithm>

#include "driver/OruInterface.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/OruApp.h"
#include "shell/model/StatusPaneText.h"
#include "tests/shell/FrameFixture.h"
#include "tests/sim/SimTestSupport.h"

namespace frametest {
namespace {

using apptest::Eventually;

class FrameGuiTest : public FrameFixture {
 protected:
  // Every notification the worker posted before its answer to a 2072 request has been handled.
  void SettleWorker() {
    const int before = notes->Count(WM_ORU_DEVICE_DISCONNECTED);
    app().PostToWorker(WM_ORU_DEVICE_DISCONNECTED);
    ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_DEVICE_DISCONNECTED) > before; }));
  }
  QString PaneText(int id) { return frame()->StatusBar()->PaneText(id); }
  std::vector<std::string> Commands() { return instrument().transcript().commands(); }
  int CountCommand(const std::string& text) {
    const auto c = Commands();
    return static_cast<int>(std::count(c.begin(), c.end(), text));
  }
  // A firmware image of `records` data records.
  QString WriteImage(int records) {
    std::string text = simtest::sRecord('0', 0, 2, {'O', 'R', 'U'});
    for (int i = 0; i < records; ++i) {
      std::vector<uint8_t> data(16);
      for (std::size_t b = 0; b < data.size(); ++b) data[b] = static_cast<uint8_t>(i * 7 + b);
      text += simtest::sRecord('2', 0x1000 + 16 * i, 3, data);
    }
    text += simtest::sRecord('8', 0x1000, 3, {});
    const QString path = Path(QStringLiteral("firmware.mot"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path;
  }
  void StartDownload(int records) {
    answers.OpenFile(WriteImage(records));
    frame()->OnCommand(ID_LOAD_APPLICATION);
    ASSERT_TRUE(store().Run().downloadRunning());
    ASSERT_TRUE(Eventually([this] { return frame()->DownloadStatus() && frame()->DownloadStatus()->isVisible(); }));
  }
  void ArmCapture() {
    app().PostToWorker(WM_ORU_SET_CONFIG, 0x1C0);  // items 7, 8 and 9, as the control panel sends
    app().PostToWorker(WM_ORU_START_CAPTURE);
    ASSERT_TRUE(Eventually([this] { return store().Run().captureArmed(); }));
    // Armed and waiting: the worker polls the trigger.
    ASSERT_TRUE(Eventually([this] { return CountCommand("CA:1") > 0; }));
  }
  void Unplug() {
    UnplugInstrument();
    ASSERT_TRUE(Eventually([this] { return !app().context.DeviceOpen(); }));
  }
};

TEST_F(FrameGuiTest, StartWithoutInstrument) {
  plugAtStart = false;
  ASSERT_TRUE(Start());
  notes = new NotificationLog(frame());
  ASSERT_TRUE(Eventually([this] { return !notes->ids.empty(); }));
  // The first thing the frame hears is the worker's answer to 2039.
  EXPECT_TRUE(notes->ids.front() == WM_ORU_DISABLE_V21 || notes->ids.front() == WM_ORU_ENABLE_V21);
  frame()->RunIdleUpdate();
  EXPECT_EQ(frame()->windowTitle(), QStringLiteral("Quorlan View PC - "));
  EXPECT_TRUE(tabs()->IsTabEnabled(0));
  EXPECT_TRUE(tabs()->IsTabEnabled(1));
  EXPECT_FALSE(tabs()->IsTabEnabled(2));
  EXPECT_FALSE(tabs()->IsTabEnabled(3));
  EXPECT_EQ(PaneText(ID_PANE_CONNECTION), QStringLiteral("USB disconnected"));
  EXPECT_EQ(frame()->ConnectionPaneText(), QStringLiteral("USB disconnected"));
}

TEST_F(FrameGuiTest, PlugInOpensTheDeviceAndReinitialisesOnce) {
  plugAtStart = false;
  ASSERT_TRUE(StartAndSettle());
  EXPECT_EQ(notes->Count(WM_ORU_DEVICE_CONNECTED), 0);
  PlugInstrument();
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DEVICE_CONNECTED) == 1; }));
  EXPECT_TRUE(app().context.DeviceOpen());
  const auto c = Commands();
  EXPECT_NE(std::find(c.begin(), c.end(), "VN"), c.end()) << instrument().transcript().text();
  EXPECT_NE(std::find(c.begin(), c.end(), "GC:18:19"), c.end());
  frame()->RunIdleUpdate();
  EXPECT_EQ(PaneText(ID_PANE_CONNECTION), QStringLiteral("USB connected"));
  for (int tab = 0; tab < 4; ++tab) EXPECT_TRUE(tabs()->IsTabEnabled(tab)) << tab;

  // A second arrival while the device is open, or one of another interface class, posts nothing.
  struct {
    DEV_BROADCAST_DEVICEINTERFACE record{};
    char name[32] = "\\\\?\\USB#other";
  } ours, other;
  ours.record.dbcc_size = sizeof(ours);
  ours.record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  ours.record.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  other = ours;
  other.record.dbcc_classguid.Data1 ^= 0x1;
  const HANDLE open = app().context.deviceHandle.load();
  ScopedRequestCapture capture(app().context);
  Notify(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&ours.record));
  EXPECT_EQ(app().context.deviceHandle.load(), open);
  app().context.deviceHandle = INVALID_HANDLE_VALUE;  // as if it had gone: only our class opens
  Notify(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&other.record));
  EXPECT_EQ(app().context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  app().context.deviceHandle = open;
  EXPECT_TRUE(capture.recorder.Messages().empty());
}

TEST_F(FrameGuiTest, UnplugDuringAnArmedCaptureEndsItOnce) {
  ASSERT_TRUE(StartAndSettle());
  ArmCapture();
  Unplug();
  // Two idle updates before the worker's answer is handled (the timer and a notification).
  frame()->RunIdleUpdate();
  frame()->RunIdleUpdate();
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_ABORT_CAPTURE) >= 1; }));
  for (int i = 0; i < 3; ++i) frame()->RunIdleUpdate();
  SettleWorker();
  EXPECT_EQ(notes->Count(WM_ORU_ABORT_CAPTURE), 1);
  EXPECT_FALSE(store().Run().captureArmed());
  EXPECT_FALSE(store().Run().captureRunning());
  EXPECT_EQ(PaneText(ID_PANE_CONNECTION), QStringLiteral("USB disconnected"));
}

TEST_F(FrameGuiTest, UnplugDuringDtmfStopsItOnce) {
  ASSERT_TRUE(StartAndSettle());
  app().PostToWorker(WM_ORU_START_DTMF_DECODER);
  ASSERT_TRUE(Eventually([this] { return store().Run().dtmfRunning(); }));
  Unplug();
  frame()->RunIdleUpdate();
  frame()->RunIdleUpdate();
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_STOP_DTMF_DECODER) >= 1; }));
  for (int i = 0; i < 3; ++i) frame()->RunIdleUpdate();
  SettleWorker();
  EXPECT_EQ(notes->Count(WM_ORU_STOP_DTMF_DECODER), 1);
  EXPECT_FALSE(store().Run().dtmfRunning());
}

TEST_F(FrameGuiTest, UnplugLeavesTheMeterTabsButKeepsSignalTrace) {
  ASSERT_TRUE(StartAndSettle());
  frame()->RunIdleUpdate();
  tabs()->SelectTab(1);
  ASSERT_EQ(tabs()->GetCurrentTab(), 1);
  Unplug();
  frame()->RunIdleUpdate();
  EXPECT_EQ(tabs()->GetCurrentTab(), 1);
  PlugInstrument();
  ASSERT_TRUE(Eventually([this] { return app().context.DeviceOpen(); }));
  frame()->RunIdleUpdate();
  tabs()->SelectTab(2);
  ASSERT_EQ(tabs()->GetCurrentTab(), 2);
  Unplug();
  frame()->RunIdleUpdate();
  EXPECT_EQ(tabs()->GetCurrentTab(), 0);
  EXPECT_FALSE(tabs()->IsTabEnabled(2));
}

TEST_F(FrameGuiTest, DownloadShowsItsProgressAndTheAboutBoxOnceAfterwards) {
  ASSERT_TRUE(StartAndSettle());
  StartDownload(200);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DOWNLOAD_FIRMWARE) == 1; }));
  EXPECT_GE(notes->Count(WM_ORU_DOWNLOAD_PROGRESS), 200);
  EXPECT_FALSE(store().Run().downloadRunning());
  EXPECT_FALSE(frame()->DownloadStatus()->isVisible());
  EXPECT_EQ(CountCommand("DA:0:SX"), 0);
  EXPECT_EQ(store().resyncPending.load(), 1);
  // The re-initialisation after a download shows the About box once.
  const int about = app().AboutRuns();
  answers.Modal([](QDialog& d) { return ScriptedAnswerer::Click(d, IDOK) ? d.result() : 0; }, "CAboutDlg");
  app().PostToWorker(WM_ORU_DEVICE_CONNECTED);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DEVICE_CONNECTED) == 1; }));
  app().PostToWorker(WM_ORU_DEVICE_CONNECTED);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DEVICE_CONNECTED) == 2; }));
  EXPECT_EQ(app().AboutRuns(), about + 1);
}

// A file that is no firmware image (here a text file named .mot) is refused at its first line:
// nothing of it reaches the instrument's loader, the user is told which line, and no About box
// follows as after a download that loaded.
TEST_F(FrameGuiTest, AFileThatIsNoImageIsRefusedAndSaysWhichLine) {
  ASSERT_TRUE(StartAndSettle());
  const QString path = Path(QStringLiteral("notes.mot"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("hello\r\nworld\r\n");
  file.close();
  answers.OpenFile(path);
  answers.Box(QStringLiteral("notes.mot is not an ORUpc application file:\nline 1 is not a Motorola S-record.\n"
                             "The download was stopped."),
              IDOK);
  const int about = app().AboutRuns();
  frame()->OnCommand(ID_LOAD_APPLICATION);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DOWNLOAD_FIRMWARE) == 1; }));
  ASSERT_TRUE(Eventually([this] { return answers.AllUsed(); }));
  EXPECT_EQ(CountCommand("DA:0:hello\r\n"), 0);
  EXPECT_EQ(CountCommand("DA:0:SX"), 1);
  EXPECT_EQ(store().resyncPending.load(), 0);
  EXPECT_FALSE(store().Run().downloadRunning());
  app().PostToWorker(WM_ORU_DEVICE_CONNECTED);
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DEVICE_CONNECTED) == 1; }));
  EXPECT_EQ(app().AboutRuns(), about);
}

TEST_F(FrameGuiTest, LoadApplicationAgainAbortsTheRunningDownload) {
  ASSERT_TRUE(StartAndSettle());
  StartDownload(20000);
  frame()->OnCommand(ID_LOAD_APPLICATION);  // no file dialog this time
  EXPECT_FALSE(store().Run().downloadRunning());
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DOWNLOAD_FIRMWARE) == 1; }));
  EXPECT_EQ(CountCommand("DA:0:SX"), 1);
  EXPECT_LT(notes->Count(WM_ORU_DOWNLOAD_PROGRESS), 20000);
  EXPECT_FALSE(frame()->DownloadStatus()->isVisible());
}

TEST_F(FrameGuiTest, CancelDownloadAsksTheWorkerOnce) {
  ASSERT_TRUE(StartAndSettle());
  StartDownload(20000);
  CDownloadStatus* status = frame()->DownloadStatus();
  auto* cancel = status->findChild<QAbstractButton*>(QStringLiteral("2"));
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text(), QStringLiteral("Cancel Download"));
  cancel->click();
  EXPECT_FALSE(status->isVisible());
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DOWNLOAD_FIRMWARE) == 1; }));
  SettleWorker();
  EXPECT_EQ(CountCommand("DA:0:SX"), 1);
  EXPECT_FALSE(store().Run().downloadRunning());
  EXPECT_EQ(store().resyncPending.load(), 0);
}

}  // namespace
}  // namespace frametest
