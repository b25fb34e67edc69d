#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QFile>
#include <QSettings>

#include <algorithm>
#include <csignal>

#include "link/worker/CommThread.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/win32/Wait.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/CloseOnSignal.h"
#include "shell/OruDocument.h"
#include "tests/shell/AppFixture.h"

namespace {

using apptest::CaptureFields;
using apptest::FileBytes;
using apptest::FillCapture;
using apptest::FillTrace;

class AppClose : public apptest::AppFixture {
 protected:
  CORUpc144Doc& doc() { return *app().currentDocument; }
  CORUData& store() { return app().dataStore; }

  // A trace opened from a file, then a modified trace and a modified capture.
  void OpenTraceThenModifyBoth() {
    {
      CORUData other;
      FillTrace(other, 1000, 7);
      ASSERT_EQ(SaveDocumentFile(Path("t.ast").toStdString(), other, DocumentType::Trace, FileSettings{}),
                FileStatus::Ok);
    }
    traceBytes = FileBytes(Path("t.ast"));
    ASSERT_TRUE(app().OpenDocumentFile(Path("t.ast")));
    FillTrace(store(), 1000, 99);
    doc().SetTypeModified(true, DocumentType::Trace);
    FillCapture(store(), 12, 3);
    doc().SetTypeModified(true, DocumentType::Capture);
    capture = CaptureFields(store());
  }

  bool WorkerEnded() {
    HANDLE ended = app().context.commExitEvent.load();
    return app().context.commThreadId.load() == 0 && ended != nullptr && WaitForSingleObject(ended, 0) == WAIT_OBJECT_0;
  }

  QByteArray traceBytes;
  std::vector<apptest::RecordFields> capture;
};

TEST_F(AppClose, YesOnTheCapturePromptSavesThroughItsSaveAsAndLeavesTheTraceFile) {
  ASSERT_TRUE(Start());
  OpenTraceThenModifyBoth();
  answers.Box("Save changes to Untitled?", IDYES);
  answers.SaveFile(Path("cap"));
  answers.Box("Save changes to t.ast?", IDNO);
  EXPECT_TRUE(app().mainFrame->close());

  const auto& prompts = answers.prompts();
  ASSERT_GE(prompts.size(), 2u);
  EXPECT_EQ(prompts[1].spec.title, "Save ORUpc capture file as");
  CORUData reread;
  FileSettings settings;
  ASSERT_EQ(LoadDocumentFile(Path("cap.hsc").toStdString(), reread, DocumentType::Capture, settings), FileStatus::Ok);
  EXPECT_EQ(CaptureFields(reread), capture);
  EXPECT_EQ(FileBytes(Path("t.ast")), traceBytes);
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
}

TEST_F(AppClose, CancelKeepsTheProgramAndTheWorkerRunning) {
  ASSERT_TRUE(Start());
  OpenTraceThenModifyBoth();
  answers.Box(IDCANCEL);
  EXPECT_FALSE(app().mainFrame->close());
  EXPECT_TRUE(app().mainFrame->isVisible());
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));
  EXPECT_EQ(CaptureFields(store()), capture);
  ASSERT_NE(app().context.commThreadId.load(), 0u);

  // The worker still answers: a re-initialisation reaches the instrument.
  const std::size_t before = instrument().transcript().commands().size();
  app().PostToWorker(WM_ORU_DEVICE_CONNECTED);
  EXPECT_TRUE(apptest::Eventually([&] {
    const auto commands = instrument().transcript().commands();
    return commands.size() > before && commands.back() == "VN";
  }));
}

TEST_F(AppClose, FileExitAsksLikeTheWindowsCloseAndEndsOnNo) {
  ASSERT_TRUE(Start());
  OpenTraceThenModifyBoth();
  QAction* exit = app().mainFrame->Action(ID_APP_EXIT);
  ASSERT_NE(exit, nullptr);
  answers.Box(IDCANCEL);
  exit->trigger();
  EXPECT_TRUE(app().mainFrame->isVisible());
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));
  answers.Box(IDNO).Box(IDNO);
  exit->trigger();
  EXPECT_FALSE(app().mainFrame->isVisible());
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
}

TEST_F(AppClose, NoEndsProgramAndWorkerAndSavesTheSettings) {
  ASSERT_TRUE(Start());
  OpenTraceThenModifyBoth();
  app().settings.deltaV = 33;
  answers.Box(IDNO).Box(IDNO);
  EXPECT_TRUE(app().mainFrame->close());
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
  EXPECT_FALSE(QFile::exists(Path("cap.hsc")));
  EXPECT_EQ(FileBytes(Path("t.ast")), traceBytes);
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  Exit();
  QSettings saved(SettingsPath(), QSettings::IniFormat);
  EXPECT_EQ(saved.value("Startup/DeltaV").toInt(), 33);
  EXPECT_EQ(saved.value("Recent File List/File1").toString(), Path("t.ast"));
}

TEST_F(AppClose, AnInstrumentThatNeverAnswersStillClosesAndLeavesTheMachineClean) {
  plugAtStart = false;
  PlugSilentInstrument();
  ASSERT_TRUE(Start());
  // Close while the worker waits for the reply to its first command.
  ASSERT_TRUE(apptest::Eventually([&] { return silentInstrument().packetsTaken.load() >= 1; }));
  EXPECT_TRUE(app().context.DeviceOpen());
  EXPECT_TRUE(app().mainFrame->close());
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
  Exit();
  // TearDown shuts the Machine down and expects its IRP and pool checks to be clean.
}

TEST_F(AppClose, TerminationSignalsAskAboutModifiedDataAndCloseOnNo) {
  ASSERT_TRUE(CloseOnSignal::InstallHandlers());
  ASSERT_TRUE(Start());
  CloseOnSignal closer;
  QObject::connect(&closer, &CloseOnSignal::closeRequested, &app(), &CORUpc144App::RequestClose);
  OpenTraceThenModifyBoth();

  // Ctrl+C with a modified capture: the save prompt, and Cancel keeps everything.
  answers.Box("Save changes to Untitled?", IDCANCEL);
  ASSERT_EQ(std::raise(SIGINT), 0);
  ASSERT_TRUE(apptest::Eventually([&] { return answers.prompts().size() == 1; }));
  EXPECT_TRUE(app().mainFrame->isVisible());
  EXPECT_EQ(CaptureFields(store()), capture);

  // `kill`: the same prompts; No to both ends the program and its worker.
  answers.Box("Save changes to Untitled?", IDNO);
  answers.Box("Save changes to t.ast?", IDNO);
  ASSERT_EQ(std::raise(SIGTERM), 0);
  ASSERT_TRUE(apptest::Eventually([&] { return !app().mainFrame->isVisible(); }));
  EXPECT_EQ(answers.prompts().size(), 3u);
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
  EXPECT_EQ(FileBytes(Path("t.ast")), traceBytes);
}

// A signal while "End of capture" tells why the capture ended, with the real boxes: that box goes
// and the close goes on to ask about the captured data; a second signal leaves that question up,
// and No ends the program.
TEST_F(AppClose, ATermDuringTheEndOfCaptureBoxClosesItAndTheSavePromptStays) {
  ASSERT_TRUE(CloseOnSignal::InstallHandlers());
  ASSERT_TRUE(Start());
  CloseOnSignal closer;
  QObject::connect(&closer, &CloseOnSignal::closeRequested, &app(), &CORUpc144App::RequestClose);
  int requests = 0;
  QObject::connect(&closer, &CloseOnSignal::closeRequested, [&] { ++requests; });
  ASSERT_TRUE(apptest::Eventually([&] {
    const auto commands = instrument().transcript().commands();
    return std::find(commands.begin(), commands.end(), "VN") != commands.end();
  }));
  ASSERT_NO_FATAL_FAILURE(apptest::PlayShortCall(instrument()));

  // The boxes are real (offscreen) from here on; a timer plays the user while they are up.
  app().prompts().SetAnswerer(nullptr);
  // The box on top when its text begins with `text`.
  const auto shown = [](const char* text) -> QMessageBox* {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box != nullptr && box->text().startsWith(text) ? box : nullptr;
  };
  enum class Step { Capturing, Ended, Asked, AskedAgain, Answered } step = Step::Capturing;
  QTimer user;
  QElapsedTimer running;
  running.start();
  QObject::connect(&user, &QTimer::timeout, [&] {
    // A box left up would hold the test inside its loop: past the bound every box goes.
    if (running.elapsed() > apptest::kHangMs) {
      if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
      return;
    }
    if (step == Step::Capturing && shown("Capture session complete.")) {
      step = Step::Ended;
      std::raise(SIGTERM);
    } else if (step == Step::Ended && shown("Save changes to ")) {
      step = Step::Asked;
      std::raise(SIGTERM);
    } else if (step == Step::Asked && requests == 2) {
      step = Step::AskedAgain;
    } else if (step == Step::AskedAgain) {
      QMessageBox* question = shown("Save changes to ");
      EXPECT_NE(question, nullptr) << "the second signal closed the question";
      if (question != nullptr) question->button(QMessageBox::No)->click();
      step = Step::Answered;
    }
  });
  user.start(20);
  qobject_cast<QAbstractButton*>(app().Views().controlView->Control(IDC_CAPTURE))->click();
  const bool ended = apptest::Eventually([&] { return step == Step::Answered && !app().mainFrame->isVisible(); });
  user.stop();
  app().prompts().SetAnswerer(&answers);
  ASSERT_TRUE(ended) << "step " << static_cast<int>(step);
  EXPECT_TRUE(apptest::Eventually([&] { return WorkerEnded(); }));
  EXPECT_EQ(requests, 2);
}

}  // namespace
