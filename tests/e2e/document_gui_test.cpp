// The document through the whole program, as a user drives it: files that fail to load, a capture
// started with Overwrite, stored sessions shown the moment they arrive, and event names that
// read the same on screen, in CSV exports and in the saved file. The application runs in-process
// on a test Machine with the driver and the simulated instrument, with the real control panel,
// session view, recall dialog and development dialog.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>

#include "display/RegisterDisplayViews.h"
#include "display/SessionRecall.h"
#include "display/SessionView.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "maintenance/CORUDevelop.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/StatusBar.h"
#include "shell/panel/ControlView.h"
#include "shell/OruDocument.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/ControlPanelRules.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/ControlPanelTestSupport.h"
#include "tests/shell/FrameTestSupport.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;
using apptest::FileBytes;

constexpr int kCaptureTab = 0;
constexpr int kTraceTab = 1;

class DocumentGui : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    beforeInit = [](CORUpc144App& a) {
      RegisterDisplayViews(a.viewFactory);
      RegisterTraceViews(a.viewFactory);
      RegisterMaintenanceViews(a.viewFactory);
    };
  }
  // Starts the program and waits until the worker's start-up has read the firmware version.
  bool StartProgram() {
    if (!Start()) return false;
    notes = new frametest::NotificationLog(app().mainFrame);
    panel = dynamic_cast<CORUControlView*>(app().Views().controlView.get());
    view = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
    app().settings.autosaveFolder = Path("").toStdString();
    return panel != nullptr && view != nullptr &&
           Eventually([this] { return notes->Count(WM_ORU_ENABLE_V21) + notes->Count(WM_ORU_DISABLE_V21) > 0; }) &&
           SettleWorker();  // and what the start-up posts after that notice
  }
  CORUData& store() { return app().dataStore; }
  CORUpc144Doc& doc() { return *app().currentDocument; }
  QString Title() { return app().mainFrame->windowTitle(); }
  void Command(int id) { app().mainFrame->OnCommand(id); }
  // File Open, answering the boxes it brings up in turn.
  void Open(const QString& path, std::initializer_list<std::pair<QString, int>> boxes = {}) {
    answers.OpenFile(path);
    for (const auto& [text, answer] : boxes) answers.Box(text, answer);
    Command(ID_FILE_OPEN);
  }
  void Click(int id) { qobject_cast<QAbstractButton*>(panel->Control(id))->click(); }
  // A file of six captured bytes or of a trace, written as an earlier run left it.
  void WriteEarlierFile(const QString& path, DocumentType type) {
    CORUData other;
    if (type == DocumentType::Capture)
      apptest::FillCapture(other, 6, 4);
    else
      apptest::FillTrace(other, 1000, 7);
    ASSERT_EQ(SaveDocumentFile(path.toStdString(), other, type, FileSettings{}), FileStatus::Ok);
  }
  struct Held {
    std::vector<apptest::RecordFields> records;
    std::vector<CORUCaptureHeader> headers;
    std::vector<int> samples;
    int marker = -1;
    bool operator==(const Held&) const = default;
  };
  Held HeldData() {
    Held held;
    held.records = apptest::CaptureFields(store());
    held.samples = apptest::TraceSamples(store());
    std::lock_guard lock(LinkFields(store()).dataMutex);
    for (const CORUCaptureHeader& header : LinkFields(store()).captureHeaders) held.headers.push_back(header);
    held.marker = LinkFields(store()).currentRecordIndex;
    return held;
  }
  void DoubleClickByte(int index) {
    QRect cell;
    ASSERT_TRUE(Eventually([&] {
      cell = view->ByteCellRect(index);
      return !cell.isEmpty();
    }));
    const QPointF at(cell.center());
    QMouseEvent click(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &click);
  }
  // The capture's event titles as the session view lays them out now.
  std::vector<std::string> ScreenTitles() {
    std::vector<std::string> titles;
    for (const CORUSessionLine& line : view->Layout().Lines())
      if (line.lineType == kHeaderLine) titles.push_back(line.headerText);
    return titles;
  }
  bool LaidOutWhole() {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    return view->Layout().WalkedRecords() == LinkFields(store()).captureBuffer.GetSize();
  }
  // "Recall Session", then Recall #row once the directory is in.
  void RecallFromPanel(int row) {
    answers.Modal(
        [row](QDialog& d) {
          auto& recall = dynamic_cast<CORUSessionRecall&>(d);
          d.show();
          EXPECT_TRUE(Eventually([&] { return !recall.Busy() && recall.Row(9).count != "Retreiving..."; }));
          EXPECT_TRUE(ScriptedAnswerer::Click(d, RecallIdsOfRow(row).recall));
          return d.result();
        },
        "CORUSessionRecall");
    Click(IDC_RECALL_SESSION);
  }

  frametest::NotificationLog* notes = nullptr;
  CORUControlView* panel = nullptr;
  CORUSessionView* view = nullptr;
};

// ---- a failed load changes nothing ---------------------------------------------------------------

struct DamagedCase {
  DocumentType type;
  const char* name;     // the earlier file
  const char* damaged;  // the file that fails to load
  int keptBytes;        // the earlier file's first bytes make the damaged one
  const char* box;
};

class FailedLoad : public DocumentGui, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(FailedLoad, KeepsTheHeldDataAndTheEarlierFileStaysByteForByte) {
  const DamagedCase& c = GetParam();
  ASSERT_TRUE(StartProgram());
  const QString earlier = Path(c.name);
  WriteEarlierFile(earlier, c.type);
  Open(earlier);
  ASSERT_EQ(Title(), "Quorlan View PC - " + QString(c.name));
  Command(ID_FILE_SAVE);  // the program's own bytes of the data held
  const QByteArray saved = FileBytes(earlier);
  ASSERT_GT(saved.size(), c.keptBytes);
  {
    QFile bad(Path(c.damaged));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(saved.left(c.keptBytes));
  }
  const Held held = HeldData();

  Open(Path(c.damaged), {{c.box, IDOK}});
  EXPECT_EQ(HeldData(), held);
  EXPECT_EQ(Title(), "Quorlan View PC - " + QString(c.name));
  EXPECT_EQ(doc().PathName(), earlier);
  EXPECT_FALSE(doc().IsTypeModified(c.type));
  Command(ID_FILE_SAVE);  // Ctrl+S
  EXPECT_EQ(FileBytes(earlier), saved);
  if (c.type != DocumentType::Capture) return;

  // The marker set and cleared again: the capture counts as modified, its data as saved.
  DoubleClickByte(2);
  DoubleClickByte(2);
  ASSERT_TRUE(doc().IsTypeModified(DocumentType::Capture));
  const QString question = "Save changes to " + QString(c.name) + "?";
  Open(Path(c.damaged), {{question, IDNO}, {c.box, IDOK}});
  EXPECT_EQ(HeldData(), held);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));
  answers.Box(question, IDYES);
  EXPECT_TRUE(app().mainFrame->close());
  EXPECT_EQ(FileBytes(earlier), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FailedLoad,
    ::testing::Values(DamagedCase{DocumentType::Capture, "c.hsc", "bad.hsc", 40, "Error reading capture file"},
                      DamagedCase{DocumentType::Trace, "t.ast", "short.ast", 20, "Unexpected file format."}));

// ---- Overwrite forgets the old file ------------------------------------------------------------

// The file dialog that closes uncovers the session view, whose paint comes before anything queued:
// what it paints is the capture just opened, not the one it replaced (here: nothing).
TEST_F(DocumentGui, AnOpenedCaptureIsWhatTheFirstPaintShows) {
  ASSERT_TRUE(StartProgram());
  WriteEarlierFile(Path("shown.hsc"), DocumentType::Capture);
  Open(Path("shown.hsc"));
  view->viewport()->repaint();  // the expose of the closed dialog
  const QImage screen = view->screen()->grabWindow(app().mainFrame->winId()).toImage();
  const QImage now = view->viewport()->grab().toImage();  // what the view draws for the capture held
  const QPoint corner(3, 3);                              // in the first line: the event's title
  EXPECT_EQ(screen.pixel(view->viewport()->mapTo(app().mainFrame, corner)), now.pixel(corner));
  EXPECT_NE(now.pixel(corner), view->viewport()->palette().color(QPalette::Base).rgb());
}

TEST_F(DocumentGui, OverwriteCaptureLeavesNoNameThatSaveCouldWriteOver) {
  ASSERT_TRUE(StartProgram());
  const QString earlier = Path("a.hsc");
  WriteEarlierFile(earlier, DocumentType::Capture);
  const QByteArray bytes = FileBytes(earlier);
  Open(earlier);
  Command(ID_NEW_CAPTURE_OVERWRITE);
  Click(IDC_CAPTURE);
  ASSERT_TRUE(Eventually([&] { return store().Run().captureArmed() || store().Run().captureRunning(); }));
  answers.Box("Capture aborted.", IDOK);
  Click(IDC_CAPTURE);  // End Capture
  ASSERT_TRUE(Eventually(
      [&] { return answers.AllUsed() && !store().Run().captureArmed() && !store().Run().captureRunning(); }));

  app().SelectTab(kTraceTab);
  app().SelectTab(kCaptureTab);
  EXPECT_EQ(Title(), "Quorlan View PC - ");
  EXPECT_EQ(doc().captureFilePath(), "");
  answers.SaveFile(std::nullopt);
  Command(ID_FILE_SAVE);
  ASSERT_FALSE(answers.prompts().empty());
  EXPECT_EQ(answers.prompts().back().spec.title, "Save ORUpc capture file");
  EXPECT_EQ(FileBytes(earlier), bytes);
}

// ---- a recalled session is shown as it arrives -----------------------------------------------

enum class RecallFrom { Panel, Develop };

struct ArrivalCase {
  RecallFrom from;
  int row;      // the stored session (the development dialog recalls its own slot)
  int options;  // the "Options" command in force
};

class RecallArrival : public DocumentGui, public ::testing::WithParamInterface<ArrivalCase> {
 protected:
  void SetUp() override {
    DocumentGui::SetUp();
    instrumentOptions.prefillMemory = true;
  }
};

TEST_P(RecallArrival, TheSessionViewCoversEveryRecordRightAfterTheDownload) {
  const ArrivalCase& c = GetParam();
  ASSERT_TRUE(StartProgram());
  WriteEarlierFile(Path("a.hsc"), DocumentType::Capture);
  Open(Path("a.hsc"));
  ASSERT_TRUE(Eventually([&] { return LaidOutWhole(); }));
  Command(c.options);
  if (c.row == 7) {
    // A session of many screens.
    instrument().withFirmware([](sim::Firmware& f) {
      sim::StoredSession session = f.memory().session(7);
      session.bytes.resize(4000, session.bytes.front());
      f.memory().setSession(7, session);
    });
  }
  const int downloads = notes->Count(WM_ORU_GET_CAPTURE_DATA);
  if (c.from == RecallFrom::Panel) {
    RecallFromPanel(c.row);
  } else {
    Command(ID_DEVELOPMENT);
    auto* develop = app().mainFrame->findChild<CORUDevelop*>();
    ASSERT_NE(develop, nullptr);
    ASSERT_TRUE(Eventually([&] { return !develop->Procedure().Busy(); }));
    qobject_cast<QAbstractButton*>(develop->Control(1027))->click();  // "Recall Capture"
  }
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > downloads; }));

  // No display option clicked, no resize: what 2034 left on screen.
  std::lock_guard lock(LinkFields(store()).dataMutex);
  const int records = LinkFields(store()).captureBuffer.GetSize();
  const bool appended = c.options == ID_NEW_CAPTURE_CONCATENATE;
  ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), appended ? 2 : 1);
  ASSERT_GT(records, appended ? 6 : 0);
  EXPECT_EQ(view->Layout().WalkedRecords(), records);
  EXPECT_EQ(ScreenTitles().size(), static_cast<std::size_t>(LinkFields(store()).captureHeaders.GetSize()));
  int covered = 0;
  for (const CORUSessionLine& line : view->Layout().Lines())
    if (line.IsData()) covered += line.lastByte - line.firstByte + 1;
  EXPECT_EQ(covered, records);
  // Shown from its top, with the event's title in view, however long it is.
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);
  if (c.row == 7) {
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0) << "the long session fits the view";
  }
}

INSTANTIATE_TEST_SUITE_P(Recalls, RecallArrival,
                         ::testing::Values(ArrivalCase{RecallFrom::Panel, 1, ID_NEW_CAPTURE_OVERWRITE},
                                           ArrivalCase{RecallFrom::Panel, 4, ID_NEW_CAPTURE_OVERWRITE},  // Sync
                                           ArrivalCase{RecallFrom::Panel, 7, ID_NEW_CAPTURE_OVERWRITE},  // many screens
                                           ArrivalCase{RecallFrom::Panel, 1, ID_NEW_CAPTURE_CONCATENATE},
                                           ArrivalCase{RecallFrom::Panel, 1, ID_NEW_CAPTURE_AUTOSAVE},
                                           ArrivalCase{RecallFrom::Develop, 0, ID_NEW_CAPTURE_OVERWRITE}));

// ---- the mode pane and "Show Modem Events" follow the standard ----------------------------------

TEST_F(DocumentGui, TheModePaneAndTheModemEventsBoxFollowTheStandardThroughNewOpenTraceAndRecall) {
  instrumentOptions.prefillMemory = true;
  ASSERT_TRUE(StartProgram());
  for (UCHAR standard : {UCHAR(0), UCHAR(2)}) {  // B300, 9600
    CORUData other;
    apptest::FillCapture(other, 6, 4);
    LinkFields(other).sysCfg.standard = standard;
    ASSERT_EQ(SaveDocumentFile(Path(QString("s%1.hsc").arg(standard)).toStdString(), other, DocumentType::Capture,
                               FileSettings{}),
              FileStatus::Ok);
  }
  QWidget* events = panel->Control(IDC_SHOW_MODEM_EVENTS);
  auto* standard = qobject_cast<QComboBox*>(panel->Control(IDC_STANDARD));
  // The combo shows `shown` (empty: whatever the instrument's configuration answer left), the box
  // is there for the high-speed standards only and the pane names the mode.
  const auto expect = [&](const char* step, QString shown, const char* mode = nullptr) {
    ASSERT_TRUE(SettleWorker()) << step;  // the configuration the worker read is shown
    app().mainFrame->RunIdleUpdate();
    if (!shown.isEmpty()) {
      EXPECT_EQ(standard->currentText().toStdString(), shown.toStdString()) << step;
    }
    shown = standard->currentText();
    const bool highSpeed = shown == "9600" || shown == "14400";
    EXPECT_EQ(events->isVisibleTo(panel), highSpeed) << step;
    const std::string pane = app().mainFrame->StatusBar()->PaneText(ID_PANE_MODE).toStdString();
    EXPECT_EQ(pane, mode ? mode : highSpeed ? "Intercept Mode" : "Bridged Mode") << step;
  };
  ASSERT_TRUE(paneltest::Pick(*panel, IDC_STANDARD, "9600"));
  expect("9600 chosen", "9600", "Intercept Mode");
  Command(ID_FILE_NEW);
  expect("File New", "9600", "Intercept Mode");
  Open(Path("s0.hsc"));
  expect("B300 file opened", "B300", "Bridged Mode");
  Open(Path("s2.hsc"));
  expect("9600 file opened", "9600", "Intercept Mode");

  // A triggered trace starts a new document on the SIGNAL TRACE tab.
  app().SelectTab(kTraceTab);
  expect("SIGNAL TRACE", "9600", "Bridged Mode");
  auto* capture = qobject_cast<QAbstractButton*>(app().Views().traceControlView->Control(IDC_CAPTURE_TRACE));
  capture->click();
  ASSERT_TRUE(Eventually([&] { return store().Run().traceTriggerArmed() || store().Run().traceRunning(); }));
  expect("trace armed", "", "Bridged Mode");
  capture->click();  // abort it
  ASSERT_TRUE(Eventually([&] { return !store().Run().traceTriggerArmed() && !store().Run().traceRunning(); }));
  app().SelectTab(kCaptureTab);
  expect("back on CAPTURE DATA", "");

  Open(Path("s2.hsc"));
  const int downloads = notes->Count(WM_ORU_GET_CAPTURE_DATA);
  RecallFromPanel(4);
  ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > downloads; }));
  expect("session recalled", "");
}

// ---- one event name everywhere -----------------------------------------------------------------

class EventName : public DocumentGui, public ::testing::WithParamInterface<bool> {
 protected:
  // A live capture of the synchronous call, or stored session 4, the same call.
  void SetUp() override {
    DocumentGui::SetUp();
    if (GetParam()) {
      instrumentOptions.scenario = "hdlc-sync";
    } else {
      instrumentOptions.prefillMemory = true;
    }
  }
  // The event lines of a CSV export (the rows follow the "Bit-stuffed" choice, which a load sets).
  QList<QByteArray> ExportedEvents(const QString& path) {
    answers.SaveFile(path);
    Command(ID_EXPORT_TEXT);
    QList<QByteArray> events;
    for (const QByteArray& line : FileBytes(path).split('\n'))
      if (line.startsWith("EVENT #")) events << line;
    return events;
  }
};

TEST_P(EventName, IsCutOnceAndReadsTheSameOnScreenInBothExportsAndAfterReload) {
  ASSERT_TRUE(StartProgram());
  Command(ID_NEW_CAPTURE_OVERWRITE);
  if (GetParam()) {
    ASSERT_TRUE(paneltest::Pick(*panel, IDC_STANDARD, "9600"));
    ASSERT_TRUE(paneltest::Pick(*panel, IDC_MODE, "SYNC"));
    answers.Box("Capture session complete.", IDOK);
    Click(IDC_CAPTURE);
    ASSERT_TRUE(Eventually(
        [&] { return answers.AllUsed() && !store().Run().captureRunning() && !view->LiveRefreshRunning(); }));
    // The end's last layout (with the event's end text) is queued when the live refresh stops.
    ASSERT_TRUE(SettleWorker());
  } else {
    const int downloads = notes->Count(WM_ORU_GET_CAPTURE_DATA);
    RecallFromPanel(4);
    ASSERT_TRUE(Eventually([&] { return notes->Count(WM_ORU_GET_CAPTURE_DATA) > downloads; }));
  }
  ASSERT_TRUE(Eventually([&] { return LaidOutWhole(); }));
  {
    std::lock_guard lock(LinkFields(store()).dataMutex);
    ASSERT_EQ(LinkFields(store()).captureHeaders.GetSize(), 1);
    EXPECT_EQ(LinkFields(store()).captureHeaders[0].eventName, "CONNECT 9600/S");
  }
  const std::vector<std::string> screen = ScreenTitles();
  ASSERT_EQ(screen.size(), 1u);
  EXPECT_NE(screen[0].find(" CONNECT 9600/S "), std::string::npos) << screen[0];
  const QList<QByteArray> before = ExportedEvents(Path("before.csv"));
  ASSERT_EQ(before.size(), 1);
  EXPECT_TRUE(before[0].contains(" CONNECT 9600/S  ")) << before[0].toStdString();

  answers.SaveFile(Path("sync.hsc"));
  Command(ID_FILE_SAVE);
  Open(Path("sync.hsc"));
  ASSERT_EQ(Title(), "Quorlan View PC - sync.hsc");
  ASSERT_TRUE(Eventually([&] { return LaidOutWhole(); }));
  EXPECT_EQ(ScreenTitles(), screen);
  EXPECT_EQ(ExportedEvents(Path("after.csv")), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, EventName, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "LiveCapture" : "StoredSession"; });

}  // namespace
