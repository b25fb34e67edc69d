#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

#include "link/store/CaptureHeader.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "maintenance/CORUDevelop.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"
#include "shell/dialogs/DownloadStatus.h"
#include "tests/shell/FrameFixture.h"
#include "tests/sim/SimTestSupport.h"

namespace frametest {
namespace {

using apptest::Eventually;
using Texts = std::vector<std::string>;

class DevelopGui : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    beforeInit = [this](CORUpc144App& a) {
      RegisterRecordingViews(a.viewFactory, log);
      RegisterMaintenanceViews(a.viewFactory);
    };
  }
  // 32774, then the opening's read-back.
  CORUDevelop* Open(bool waitForReadBack = true) {
    frame()->OnCommand(ID_DEVELOPMENT);
    auto* dialog = frame()->findChild<CORUDevelop*>();
    EXPECT_NE(dialog, nullptr);
    if (dialog == nullptr) return nullptr;
    EXPECT_TRUE(dialog->isVisible());
    if (waitForReadBack) {
      EXPECT_TRUE(Eventually([dialog] { return !dialog->Procedure().Busy(); }));
    }
    return dialog;
  }
  Texts Commands() { return instrument().transcript().commands(); }
  Texts CommandsSince(std::size_t from) {
    const Texts all = Commands();
    return Texts(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
  }
  int Count(const Texts& texts, const std::string& text) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
  }
  QString Label(int id) { return qobject_cast<QLabel*>(dialog->Control(id))->text(); }
  QListWidget* List() { return qobject_cast<QListWidget*>(dialog->Control(1020)); }
  void Click(int id) {
    auto* button = qobject_cast<QAbstractButton*>(dialog->Control(id));
    ASSERT_NE(button, nullptr) << id;
    button->click();
  }
  // The worker still answers commands of its own: a configuration read notifies 2026 only when
  // its reply was "gc:".
  void ExpectWorkerReadsConfig() {
    const int before = notes->Count(WM_ORU_GET_CONFIG);
    app().PostToWorker(WM_ORU_GET_CONFIG);
    EXPECT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CONFIG) > before; }));
  }
  void Type(QWidget* target, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(target, &press);
    }
  }
  void SetLine(int line, double dcVolts, double acVpp) {
    instrument().withFirmware([=](sim::Firmware& f) { f.line().setOverride(line, {dcVolts, acVpp, 1000}); });
  }

  CORUDevelop* dialog = nullptr;
};

TEST_F(DevelopGui, OpeningReadsBackEveryGroupAndShowsTheFactors) {
  ASSERT_TRUE(StartAndSettle());
  const std::size_t before = Commands().size();
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  const Texts rc = [&] {
    Texts sent;
    for (const std::string& c : CommandsSince(before))
      if (c.starts_with("RC:")) sent.push_back(c);
    return sent;
  }();
  EXPECT_EQ(rc, (Texts{"RC:1:0", "RC:1:1", "RC:2:0", "RC:2:1", "RC:3:0", "RC:3:1"}));
  EXPECT_EQ(Label(1014), QStringLiteral("Reading cal factors"));
  const CCalFactor* lines[] = {&LinkFields(store()).calFactor1, &LinkFields(store()).calFactor2,
                               &LinkFields(store()).calFactor3};
  const int ids[3][4] = {{1071, 1072, 1073, 1074}, {1075, 1076, 1077, 1078}, {1079, 1080, 1084, 1085}};
  for (int line = 0; line < 3; ++line) {
    const CCalFactor& f = *lines[line];
    EXPECT_EQ(Label(ids[line][0]), QStringLiteral("DC offset: %1").arg(f.dcOffset));
    EXPECT_EQ(Label(ids[line][1]), QStringLiteral("DC Gain Adj: %1").arg(f.dcGain));
    EXPECT_EQ(Label(ids[line][2]), QStringLiteral("AC offset: %1").arg(f.acOffset));
    EXPECT_EQ(Label(ids[line][3]), QStringLiteral("AC Gain Adj: %1").arg(f.acGain));
    auto* box = qobject_cast<QGroupBox*>(dialog->Control(1081 + line));
    ASSERT_NE(box, nullptr);
    const QColor expected = f.dcCalibrated == 1 && f.acCalibrated == 1 ? QColor(0, 255, 0) : QColor(255, 0, 0);
    EXPECT_EQ(box->palette().color(QPalette::WindowText), expected);
  }
  EXPECT_TRUE(dialog->ProgressTimerRunning());
  EXPECT_EQ(Label(1021), QStringLiteral("Bytes written: 0"));

  // Closing hides it and kills timer 1; 32774 shows the same dialog and runs its opening again.
  dialog->reject();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(dialog->ProgressTimerRunning());
  const std::size_t second = Commands().size();
  EXPECT_EQ(Open(), dialog);
  EXPECT_TRUE(dialog->ProgressTimerRunning());
  EXPECT_EQ(Count(CommandsSince(second), "RC:3:1"), 1);
}

TEST_F(DevelopGui, WithoutAnInstrumentEveryDeviceButtonSaysSo) {
  plugAtStart = false;
  ASSERT_TRUE(StartAndSettle());
  dialog = Open(false);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->Procedure().Busy());
  qobject_cast<QAbstractButton*>(dialog->Control(1045))->setChecked(true);
  qobject_cast<QAbstractButton*>(dialog->Control(1099))->click();
  for (int id : {1012, 1016, 1027, 1044, 1137, 1176, 1177, 1048}) {
    answers.Box(QStringLiteral("No USB connection to ORUpc"), IDOK,
                [](const PromptRecord& p) { EXPECT_EQ(p.title, QStringLiteral("COMM Error")); });
    Click(id);
    EXPECT_TRUE(answers.AllUsed()) << id;
  }
  EXPECT_FALSE(store().Run().downloadRunning());
  EXPECT_EQ(List()->count(), 0);
}

TEST_F(DevelopGui, SendAndReceiveBesideTheWorker) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  auto* edit = qobject_cast<QLineEdit*>(dialog->Control(1013));
  edit->setFocus();
  Type(edit, QStringLiteral("vn"));
  EXPECT_EQ(edit->text(), QStringLiteral("VN"));
  std::size_t before = Commands().size();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &enter);  // Enter is Send and keeps the dialog open
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_TRUE(Eventually([&] { return Commands().size() > before; }));
  EXPECT_EQ(CommandsSince(before), (Texts{"VN"}));
  EXPECT_EQ(Label(1021), QStringLiteral("Bytes written: 2"));

  Click(1016);
  ASSERT_EQ(List()->count(), 1);
  EXPECT_TRUE(List()->item(0)->text().startsWith(QStringLiteral("vn"))) << List()->item(0)->text().toStdString();
  // Nothing pending: the read gives up at its bound.
  Click(1016);
  EXPECT_EQ(Label(1022), QStringLiteral("Bytes read: 0"));
  ExpectWorkerReadsConfig();

  // "1000 times".
  qobject_cast<QAbstractButton*>(dialog->Control(1173))->setChecked(true);
  before = Commands().size();
  Click(1012);
  ASSERT_TRUE(Eventually([&] { return Commands().size() >= before + 1000; }));
  EXPECT_EQ(Count(CommandsSince(before), "VN"), 1000);
  qobject_cast<QAbstractButton*>(dialog->Control(1173))->setChecked(false);

  // EP2: reads come through the second pipe, each after vendor request 5.
  instrument().transcript().clear();
  Click(1177);
  Click(1012);
  Click(1016);
  const auto entries = instrument().transcript().entries();
  const auto vendor5 = std::find_if(entries.begin(), entries.end(), [](const sim::TranscriptEntry& e) {
    return e.kind == sim::TranscriptKind::Vendor && e.endpoint == 5;
  });
  EXPECT_NE(vendor5, entries.end()) << instrument().transcript().text();
  Click(1176);
}

TEST_F(DevelopGui, DigitalMeterDumpsTheInstrumentsFramesAndSavesTheList) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  Click(1045);
  std::size_t before = Commands().size();
  Click(1044);
  EXPECT_EQ(CommandsSince(before), (Texts{"DM:1", "DM:0"}));
  EXPECT_EQ(qobject_cast<QLineEdit*>(dialog->Control(1013))->text(), QStringLiteral("DM:1"));
  ASSERT_EQ(List()->count(), 2 + 160);
  EXPECT_EQ(List()->item(List()->count() - 2)->text(), QStringLiteral("Read 1280 bytes successfully:\n"));
  EXPECT_EQ(List()->item(List()->count() - 3)->text(), QStringLiteral("Frame Count: 0\n"));
  EXPECT_EQ(List()->item(15)->text(), QStringLiteral("Frame Count: 9\n"));
  EXPECT_TRUE(List()->item(0)->text().startsWith(QStringLiteral("DC Channel: ")));
  EXPECT_EQ(Label(1022), QStringLiteral("Bytes read: 1280"));
  ExpectWorkerReadsConfig();

  // Line 2 while the instrument streams: at most 20 more reads.
  Click(1046);
  List()->clear();
  before = Commands().size();
  Click(1044);
  EXPECT_EQ(CommandsSince(before), (Texts{"DM:2", "DM:0"}));
  EXPECT_EQ(List()->findItems(QStringLiteral("Read 1280 bytes successfully:\n"), Qt::MatchExactly).size(), 21);
  ExpectWorkerReadsConfig();

  // Save: the file holds the whole list, oldest first (the list widget was emptied, the saved
  // list is the dialog's own, both dumps).
  const QString path = Path(QStringLiteral("ORUdata.txt"));
  qobject_cast<QLineEdit*>(dialog->Control(1026))->setText(path);
  Click(1025);
  const QByteArray saved = apptest::FileBytes(path);
  ASSERT_FALSE(saved.isEmpty());
  EXPECT_TRUE(saved.startsWith("read wait: ")) << saved.left(40).toStdString();
  EXPECT_TRUE(saved.contains("Read 1280 bytes successfully:\nFrame Count: 0\nDC Channel: "));
  EXPECT_EQ(saved.count("Read 1280 bytes successfully:\n"), 22);
}

TEST_F(DevelopGui, RecallCaptureAndHdlcTestReplaceTheCapture) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  apptest::FillCapture(store(), 50);
  log.Clear();
  const int notified = notes->Count(WM_ORU_GET_CAPTURE_DATA);
  Click(1027);
  EXPECT_EQ(log.Count("session.Refresh"), 1);
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > notified; }));
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    EXPECT_GT(LinkFields(store()).captureBuffer.GetSize(), 0);
    EXPECT_NE(LinkFields(store()).captureBuffer.GetSize(), 50);
  }

  log.Clear();
  Click(1028);
  EXPECT_EQ(log.Count("session.Refresh"), 1);
  std::lock_guard lock(LinkFields(store()).dataMutex);
  ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), 1);
  EXPECT_TRUE(LinkFields(store()).captureHeaders[0].IsSync());
  EXPECT_EQ(LinkFields(store()).captureHeaders[0].byteCount, LinkFields(store()).captureBuffer.GetSize());
}

TEST_F(DevelopGui, DownloadAppShowsProgressAndAbortsFromTheDialog) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  std::string text = simtest::sRecord('0', 0, 2, {'O', 'R', 'U'});
  for (int i = 0; i < 20000; ++i) text += simtest::sRecord('2', 0x1000 + 16 * i, 3, std::vector<uint8_t>(16, 0x5A));
  text += simtest::sRecord('8', 0x1000, 3, {});
  const QString path = Path(QStringLiteral("app.mot"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text.data(), static_cast<qint64>(text.size()));
  file.close();

  answers.OpenFile(path);
  Click(1137);
  EXPECT_TRUE(store().Run().downloadRunning());
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_DOWNLOAD_PROGRESS) > 0; }));
  Click(1137);  // the abort: no file dialog this time
  EXPECT_FALSE(store().Run().downloadRunning());
  ASSERT_TRUE(Eventually([this] { return notes->Count(WM_ORU_DOWNLOAD_FIRMWARE) == 1; }));
  EXPECT_EQ(Count(Commands(), "DA:0:SX"), 1);
  EXPECT_LT(notes->Count(WM_ORU_DOWNLOAD_PROGRESS), 20000);
}

class DevelopCalibration : public DevelopGui {
 protected:
  // Each prompt is answered OK after the test station is set as it asks.
  void AnswerPrompts(int line, std::vector<std::pair<double, double>> stations) {
    for (const auto& [dc, ac] : stations) {
      answers.Box(IDOK, [this, line, dc = dc, ac = ac](const PromptRecord&) { SetLine(line, dc, ac); });
    }
  }
  void Calibrate(int meterRadio, int line) {
    Click(meterRadio);
    Click(1047 + line);
  }
  bool WaitForStatus(const QString& status) {
    return Eventually([&] { return Label(1014) == status; });
  }
};

TEST_F(DevelopCalibration, BothGroupsOfLineOneThroughTheWorker) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  const std::size_t before = Commands().size();
  AnswerPrompts(1, {{0.0, 0.0}, {20.0, 0.0}, {0.0, 0.0}, {0.0, 2.19}, {0.0, 0.0}});
  Calibrate(1099, 1);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("Calibration of LINE 1 complete")));
  EXPECT_TRUE(answers.AllUsed());
  // The AC group's store is posted with the last report.
  ASSERT_TRUE(Eventually([&] { return Count(CommandsSince(before), "LC:0") == 2; }));
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(Count(sent, "LC:0"), 2) << testing::PrintToString(sent);
  EXPECT_EQ(Count(sent, "DM:1"), 4);  // three DC steps and the AC offset
  EXPECT_EQ(Count(sent, "VM:1:2"), 1);
  // The DC group is stored before the AC group is measured.
  const auto storeDc = std::find(sent.begin(), sent.end(), "LC:0");
  EXPECT_LT(storeDc - sent.begin(), std::find(sent.begin(), sent.end(), "VM:1:2") - sent.begin());
  EXPECT_EQ(sent.back(), "LC:0");
  EXPECT_EQ(LinkFields(store()).calFactor1.dcCalibrated, 1);
  EXPECT_EQ(LinkFields(store()).calFactor1.acCalibrated, 1);
  auto* box = qobject_cast<QGroupBox*>(dialog->Control(1081));
  EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(0, 255, 0));
  EXPECT_FALSE(dialog->Procedure().Busy());
}

TEST_F(DevelopCalibration, AnOutOfRangeGainIsNotStored) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  instrument().withFirmware([](sim::Firmware& f) { f.calibration().setErrors(1, {1.0, 0, 1.0, 0}); });
  const std::size_t before = Commands().size();
  // 17.38 V (139 counts of 0.125 V) where 20 V is asked for: the gain comes out at 1178.
  AnswerPrompts(1, {{0.0, 0.0}, {17.38, 0.0}, {0.0, 0.0}});
  answers.Box(QString::fromUtf8(LoadResourceString(216)), IDOK,
              [](const PromptRecord& p) { EXPECT_EQ(p.title, QStringLiteral("Line 1 DC Meter")); });
  Calibrate(1097, 1);
  ASSERT_TRUE(Eventually([&] { return answers.AllUsed() && !dialog->Procedure().Busy(); }));
  EXPECT_EQ(LinkFields(store()).calFactor1.dcGain, 1178);
  EXPECT_EQ(LinkFields(store()).calFactor1.dcCalibrated, 0);
  EXPECT_EQ(Label(1014), QStringLiteral("Calibrating LINE 1 DC offset"));
  ExpectWorkerReadsConfig();
  EXPECT_EQ(Count(CommandsSince(before), "LC:0"), 0);
}

TEST_F(DevelopCalibration, ADroppedMeterAnswerFailsTheStep) {
  ASSERT_TRUE(StartAndSettle());
  dialog = Open();
  ASSERT_NE(dialog, nullptr);
  const std::size_t before = Commands().size();
  // The first step sends LC only to undo factors that are not neutral, then RC, then DM:1.
  const CCalFactor f = LinkFields(store()).calFactor1;
  const int repliesFirst = (f.dcOffset != 0 || f.dcGain != 1024) ? 2 : 1;
  answers.Box(IDOK, [this, repliesFirst](const PromptRecord&) {
    instrument().withFaults([repliesFirst](sim::FaultPlan& plan) {
      plan.skipReplies(repliesFirst);
      plan.dropNextReply();
    });
  });
  Calibrate(1099, 1);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("Calibration of LINE 1 failed")));
  EXPECT_FALSE(dialog->Procedure().Busy());
  const Texts sent = CommandsSince(before);
  EXPECT_EQ(Count(sent, "LC:0"), 0);
  EXPECT_EQ(Count(sent, "DM:1"), 1);
  EXPECT_TRUE(answers.AllUsed());
}

}  // namespace
}  // namespace frametest
