#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "link/store/OruData.h"
#include "shell/prompts/PromptService.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/Settings.h"
#include "shell/SingleInstance.h"
#include "tests/shell/AppFixture.h"

namespace {

TEST(ScriptedAnswererTest, AnswersInOrderAndRecordsEveryPrompt) {
  ScriptedAnswerer answers;
  std::vector<std::string> failures;
  answers.OnFailure([&](const std::string& m) { failures.push_back(m); });
  PromptService prompts(&answers);
  answers.Box("Save changes to a.hsc?", IDNO).SaveFile(QString("/tmp/x.hsc")).Color(0x123456).Folder(std::nullopt);

  EXPECT_EQ(prompts.MessageBox("Save changes to a.hsc?", "Quorlan View PC", MB_YESNOCANCEL), IDNO);
  FileDialogSpec spec;
  spec.title = "Save ORUpc capture file as";
  EXPECT_EQ(prompts.GetSaveFileName(spec), QString("/tmp/x.hsc"));
  std::array<COLORREF, 16> custom{};
  EXPECT_EQ(prompts.ChooseColor("Select Answer Color...", 0, custom), COLORREF{0x123456});
  EXPECT_EQ(prompts.BrowseForFolder("Select Autosave folder", "/"), std::nullopt);
  EXPECT_TRUE(answers.AllUsed());
  EXPECT_TRUE(failures.empty());

  ASSERT_EQ(answers.prompts().size(), 4u);
  EXPECT_EQ(answers.prompts()[0].style, MB_YESNOCANCEL);
  EXPECT_EQ(answers.prompts()[0].title, "Quorlan View PC");
  EXPECT_EQ(answers.prompts()[1].kind, PromptKind::SaveFile);
  EXPECT_EQ(answers.prompts()[1].spec.title, "Save ORUpc capture file as");
  EXPECT_EQ(answers.prompts()[2].title, "Select Answer Color...");
  EXPECT_EQ(answers.prompts()[3].initial, "/");
  EXPECT_EQ(prompts.PromptCount(), 4);
}

TEST(ScriptedAnswererTest, UnscriptedWrongKindWrongTextAndUnusedAnswersFail) {
  ScriptedAnswerer answers;
  std::vector<std::string> failures;
  answers.OnFailure([&](const std::string& m) { failures.push_back(m); });
  PromptService prompts(&answers);

  // Nothing scripted: the box gets its cancelling answer.
  EXPECT_EQ(prompts.MessageBox("Unexpected", "T", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(prompts.MessageBox("Only OK", "T", MB_OK), IDOK);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("unscripted message box"), std::string::npos);

  answers.OpenFile(QString("/a.hsc"));
  EXPECT_EQ(prompts.MessageBox("Box", "T", MB_OK), IDOK);  // the script waits for a file
  EXPECT_EQ(failures.size(), 3u);
  EXPECT_EQ(prompts.GetOpenFileName({}), QString("/a.hsc"));

  answers.Box("Expected", IDYES);
  EXPECT_EQ(prompts.MessageBox("Other", "T", MB_YESNO), IDYES);
  EXPECT_EQ(failures.size(), 4u);

  answers.SaveFile(std::nullopt);
  answers.CheckAllUsed();
  ASSERT_EQ(failures.size(), 5u);
  EXPECT_NE(failures.back().find("unused"), std::string::npos);
  EXPECT_TRUE(answers.AllUsed());
}

TEST(ScriptedAnswererTest, ModalRunsFillControlsById) {
  apptest::QtApplication();
  QDialog dialog;
  dialog.setObjectName("171");
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName("1120");
  auto* ok = new QPushButton("OK", &dialog);
  ok->setObjectName("1");
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  ScriptedAnswerer answers;
  std::vector<std::string> failures;
  answers.OnFailure([&](const std::string& m) { failures.push_back(m); });
  answers.Modal(
      [](QDialog& d) {
        EXPECT_TRUE(ScriptedAnswerer::SetText(d, 1120, "CONNECT"));
        EXPECT_FALSE(ScriptedAnswerer::SetText(d, 9999, "none"));
        EXPECT_TRUE(ScriptedAnswerer::Click(d, 1));
        return d.result();
      },
      "171");
  PromptService prompts(&answers);
  EXPECT_EQ(prompts.RunModal(dialog), QDialog::Accepted);
  EXPECT_EQ(edit->text(), "CONNECT");
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(answers.prompts().back().text, "171");
}

// ---- the settings' QSettings store ----------------------------------------------------------------

// The real prompts, offscreen: a box asked while one of our dialogs runs opens over that dialog and
// is as wide as its title; a request to end closes the box that only informs and the dialog.
TEST(PromptServiceTest, ABoxOpensOverTheDialogItWasAskedFromAndCloseOnRequestEndsBoth) {
  apptest::QtApplication();
  QWidget main;
  main.setGeometry(100, 80, 830, 678);
  main.show();
  PromptService prompts;
  prompts.SetParentWindow(&main);
  QDialog dialog;
  dialog.resize(300, 200);
  QPointer<QMessageBox> box;
  bool seen = false;
  int answer = 0;
  QElapsedTimer running;
  running.start();
  // The dialog's own code asks, once it shows; the user's timer looks at what came up.
  QTimer asks;
  asks.setSingleShot(true);
  QObject::connect(&asks, &QTimer::timeout,
                   [&] { answer = prompts.MessageBox("Capture session complete.", "End of capture", MB_OK); });
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (running.elapsed() > apptest::kHangMs) {  // never left waiting inside a box
      if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) open->reject();
    } else if (dialog.isVisible() && !asks.isActive() && answer == 0 && !box) {
      asks.start(0);
      answer = -1;
    } else if (!box) {
      box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box) {
        seen = true;
        EXPECT_EQ(box->parentWidget(), &dialog);
        EXPECT_EQ(prompts.Owner(), box.data());
        EXPECT_EQ(prompts.OpenPrompts(), 2);
        EXPECT_GE(box->width(), PromptService::TitleBarWidth(box->font(), "End of capture"));
        const QPoint off = box->frameGeometry().center() - dialog.frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
        prompts.CloseInformingPrompts();
      }
    }
  });
  user.start(10);
  EXPECT_EQ(prompts.RunModal(dialog), QDialog::Rejected);
  user.stop();
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(seen);
  EXPECT_EQ(prompts.OpenPrompts(), 0);
  // Our dialog itself opened centred on the main window.
  const QPoint off = dialog.frameGeometry().center() - main.frameGeometry().center();
  EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

TEST(SettingsFileTest, GroupValuesKindsAndBufferLimits) {
  apptest::QtApplication();
  QTemporaryDir dir;
  const QString path = dir.filePath("s.ini");
  {
    SettingsFile file(path);
    EXPECT_FALSE(file.KeyExists());
    file.WriteRecentFiles({"/a.hsc"});
    EXPECT_FALSE(file.KeyExists());  // the recent files are not the settings' key
    ASSERT_TRUE(file.BeginWrite());
    file.WriteDword("Answer Color", 0x8080DF);
    file.WriteDword("DeltaV", static_cast<uint32_t>(-5));
    file.WriteBinary("Trigger Number", std::string("12345678901\0", 12));
    file.WriteBinary("Autosave Folder", std::string(261, 'f'));
    file.EndWrite();
  }
  SettingsFile file(path);
  EXPECT_TRUE(file.KeyExists());
  EXPECT_EQ(file.ReadDword("Answer Color"), 0x8080DFu);
  EXPECT_EQ(static_cast<int>(*file.ReadDword("DeltaV")), -5);
  EXPECT_EQ(file.ReadDword("Trigger Number"), std::nullopt);  // a binary is not a word
  EXPECT_EQ(file.ReadDword("Missing"), std::nullopt);
  EXPECT_EQ(file.ReadBinary("Trigger Number", 12), std::string("12345678901\0", 12));
  EXPECT_EQ(file.ReadBinary("Autosave Folder", 260), std::nullopt);
  EXPECT_EQ(file.ReadBinary("Autosave Folder", 261)->size(), 261u);
  EXPECT_EQ(file.ReadRecentFiles(4), QStringList{"/a.hsc"});

  QSettings raw(path, QSettings::IniFormat);
  EXPECT_TRUE(raw.contains("Startup/Answer Color"));
  EXPECT_TRUE(raw.contains("Recent File List/File1"));
}

TEST(SettingsFileTest, LoadAndSaveThroughQSettingsKeepEveryValue) {
  apptest::QtApplication();
  QTemporaryDir dir;
  const QString path = dir.filePath("s.ini");
  AppSettings saved;
  {
    CORUData data;
    SettingsFile file(path);
    LoadSettings(file, "/prog/", saved, data);
    saved.triggerNumber = "123456789012";
    saved.autosaveFolder = "/home/u/captures/";
    saved.deltaV = -30;
    data.selectedLine = 2;
    SaveSettings(file, saved, data);
  }
  CORUData data;
  AppSettings loaded;
  SettingsFile file(path);
  LoadSettings(file, "/prog/", loaded, data);
  EXPECT_EQ(loaded.triggerNumber, "123456789012");
  EXPECT_EQ(loaded.autosaveFolder, "/home/u/captures/");
  EXPECT_EQ(loaded.deltaV, -30);
  EXPECT_EQ(loaded.format, 5);
  EXPECT_EQ(loaded.traceLine, 2);
  EXPECT_EQ(loaded.customColors, saved.customColors);
  EXPECT_EQ(loaded.answerShade, 0x5555D5u);
}

// ---- single instance ------------------------------------------------------------------------------

TEST(SingleInstanceTest, ASecondStartAsksTheFirstToRaise) {
  apptest::QtApplication();
  QTemporaryDir dir;
  const QString path = dir.filePath("instance");
  SingleInstance first(path);
  EXPECT_FALSE(first.AskRunningInstanceToRaise(200));
  ASSERT_TRUE(first.Listen());
  int raised = 0;
  QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raised; });

  SingleInstance second(path);
  EXPECT_TRUE(second.AskRunningInstanceToRaise());
  EXPECT_TRUE(apptest::Eventually([&] { return raised == 1; }));
}

TEST(SingleInstanceTest, AStaleSocketIsRemovedBeforeListening) {
  apptest::QtApplication();
  QTemporaryDir dir;
  const QString path = dir.filePath("instance");
  {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  SingleInstance instance(path);
  EXPECT_FALSE(instance.AskRunningInstanceToRaise(200));
  EXPECT_TRUE(instance.Listen());
  SingleInstance other(path);
  EXPECT_TRUE(other.AskRunningInstanceToRaise());
  EXPECT_EQ(SingleInstance::DefaultServerPath().section('/', -1), "CORUpc144App");
}

}  // namespace
