#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "resources/TemplateBuilder.h"
#include "shell/dialogs/AboutDlg.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/OruDocument.h"
#include "shell/dialogs/TimeEntry.h"
#include "resources/data/ResourceIds.h"
#include "sim/Firmware.h"
#include "tests/shell/AppFixture.h"

#include <QDateEdit>
#include <QTimeEdit>

namespace {

using apptest::CaptureFields;
using apptest::Eventually;

class DialogsGui : public apptest::AppFixture {
 protected:
  std::vector<std::string> Commands() { return instrument().transcript().commands(); }
  int Count(const std::string& command) {
    const auto c = Commands();
    return static_cast<int>(std::count(c.begin(), c.end(), command));
  }
  int CountPrefix(const std::string& prefix) {
    int n = 0;
    for (const std::string& c : Commands()) n += c.rfind(prefix, 0) == 0;
    return n;
  }
  // Everything the worker was asked before this point has reached the instrument.
  void Settle() { ASSERT_TRUE(SettleWorker()); }
  // Started with the instrument answering; the instrument's standard then moves to ITU so that
  // the dialog can tell its own answer from what the store held.
  void StartReady() {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Eventually([&] { return CountPrefix("VN") >= 1; }));
    Settle();
    instrument().withFirmware([](sim::Firmware& f) { f.config().set({{7, 1}, {13, 0}}); });
  }
  // Waits inside a dialog script for the answer to the dialog's configuration read. The control
  // panel reloads the dialog on that answer; the reload here covers a run without the panel.
  bool AwaitAnswer(CORUConfigureDlg& dialog) {
    return Eventually([&] {
      dialog.ReloadFromSettings();
      return dialog.Values().standard == 1;
    });
  }
  CSysCfg Config() {
    std::lock_guard lock(LinkFields(app().dataStore).dataMutex);
    return LinkFields(app().dataStore).sysCfg;
  }
  // Another thread can take dataMutex (it is recursive, so this thread could not tell).
  // True when another thread can take dataMutex while this one waits. The worker holds it for
  // moments of its own, so a first refusal is tried again; a UI thread that holds it across the
  // box holds it for every try.
  bool MutexFree() {
    bool locked = false;
    std::thread other([&] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      while (!locked && std::chrono::steady_clock::now() < deadline) {
        locked = LinkFields(app().dataStore).dataMutex.try_lock();
        if (locked)
          LinkFields(app().dataStore).dataMutex.unlock();
        else
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    other.join();
    return locked;
  }
  static bool Checked(QDialog& d, int id) {
    auto* radio = FindControlAs<QRadioButton>(&d, id);
    return radio && radio->isChecked();
  }
  CORUpc144Doc& doc() { return *app().currentDocument; }
};

TEST_F(DialogsGui, ConfigurationShowsTheAnswerAndSendsTheTriggerAndItsText) {
  StartReady();
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  const int readsBefore = Count("GC:7:8:9");
  std::size_t sentFrom = 0;
  answers.Modal(
      [&](QDialog& d) {
        EXPECT_TRUE(Eventually([&] { return Count("GC:7:8:9") > readsBefore; }));
        EXPECT_TRUE(AwaitAnswer(dialog));
        EXPECT_TRUE(Checked(d, 1014));  // ITU, from the answer
        EXPECT_TRUE(Checked(d, 1017));  // Answer Tone
        EXPECT_FALSE(FindControl(&d, 1034)->isEnabled());
        ScriptedAnswerer::Click(d, 1018);  // Call Progress
        EXPECT_TRUE(FindControl(&d, 1034)->isEnabled());
        EXPECT_TRUE(Checked(d, 1018));
        EXPECT_FALSE(Checked(d, 1017));
        ScriptedAnswerer::SetText(d, 1034, "123");
        sentFrom = Commands().size();
        ScriptedAnswerer::Click(d, 1);
        return d.result();
      },
      "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Accepted);
  ASSERT_TRUE(Eventually([&] { return Count("ST:123") == 1; }));
  const auto all = Commands();
  const std::vector<std::string> sent(all.begin() + static_cast<long>(sentFrom), all.end());
  EXPECT_EQ(sent, (std::vector<std::string>{"SC:13:1", "GC:7:8:9", "ST:123"}));
  EXPECT_EQ(Config().trigger, 1);
  EXPECT_EQ(Config().triggerText, "123");
}

TEST_F(DialogsGui, ConfigurationOkSendsNothingUnchangedEarlyOrRefused) {
  StartReady();
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  const int changesBefore = CountPrefix("SC:") + CountPrefix("ST:");

  // OK before the answer came back.
  answers.Modal([&](QDialog& d) { return ScriptedAnswerer::Click(d, 1) ? d.result() : 0; }, "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Accepted);
  // OK after the answer with nothing changed, and with refused edits.
  for (const auto& [number, text] : {std::pair{"", ""}, std::pair{"-5", "12:34"}}) {
    answers.Modal(
        [&](QDialog& d) {
          EXPECT_TRUE(AwaitAnswer(dialog));
          if (*number) {
            ScriptedAnswerer::SetText(d, 1035, number);
            ScriptedAnswerer::SetText(d, 1034, text);
            EXPECT_EQ(FindControlAs<QLineEdit>(&d, 1034)->text(), text);  // stays as typed
          }
          ScriptedAnswerer::Click(d, 1);
          return d.result();
        },
        "CORUConfigureDlg");
    EXPECT_EQ(dialog.RunModal(), QDialog::Accepted);
  }
  Settle();
  EXPECT_EQ(CountPrefix("SC:") + CountPrefix("ST:"), changesBefore);
}

TEST_F(DialogsGui, ConfigurationAsksAboutFourWireAndSyncAndCancelKeepsEverything) {
  StartReady();
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  const int changes = CountPrefix("SC:") + CountPrefix("ST:");
  answers.Modal(
      [&](QDialog& d) {
        EXPECT_TRUE(AwaitAnswer(dialog));
        answers.Box("Line 1 is Originate data\n\nLine 2 is Answer data", IDOK, [this](const PromptRecord& p) {
          EXPECT_TRUE(MutexFree()) << "a box is shown while dataMutex is held";
          EXPECT_EQ(p.title, "Line Identification");
          EXPECT_EQ(p.style, static_cast<UINT>(MB_OK | MB_SYSTEMMODAL));
        });
        ScriptedAnswerer::Click(d, 1010);
        EXPECT_TRUE(Checked(d, 1010));
        EXPECT_FALSE(Checked(d, 1009));
        ScriptedAnswerer::Click(d, 1016);  // 7E1
        answers.Box("Sync mode only valid for 8N1 data format", IDCANCEL, [](const PromptRecord& p) {
          EXPECT_EQ(p.title, "Data format");
          EXPECT_EQ(p.style, static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
        });
        ScriptedAnswerer::Click(d, 1007);  // Sync, then Cancel
        EXPECT_TRUE(Checked(d, 1008));
        EXPECT_FALSE(Checked(d, 1007));
        EXPECT_TRUE(Checked(d, 1016));
        ScriptedAnswerer::Click(d, 2);
        return d.result();
      },
      "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Rejected);
  EXPECT_EQ(dialog.Values().mode, 0);
  EXPECT_EQ(dialog.Values().lineType, 1);
  EXPECT_EQ(Config().lineType, 0);  // Cancel stores nothing
  EXPECT_EQ(Config().parity7E1, 0);
  Settle();
  EXPECT_EQ(CountPrefix("SC:") + CountPrefix("ST:"), changes);
}

TEST_F(DialogsGui, ConfigurationLeavesAStandardTheRadiosCannotShowAlone) {
  StartReady();
  instrument().withFirmware([](sim::Firmware& f) { f.config().set({{7, 3}}); });
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  std::size_t sentFrom = 0;
  answers.Modal(
      [&](QDialog& d) {
        EXPECT_TRUE(Eventually([&] {
          // One lock: the dialog and the check read the same stored configuration.
          std::lock_guard lock(LinkFields(app().dataStore).dataMutex);
          dialog.ReloadFromSettings();
          return LinkFields(app().dataStore).sysCfg.standard == 3 && dialog.Values().numberKnown;
        }));
        EXPECT_FALSE(Checked(d, 1013));
        EXPECT_FALSE(Checked(d, 1014));
        ScriptedAnswerer::Click(d, 1018);  // Call Progress
        sentFrom = Commands().size();
        ScriptedAnswerer::Click(d, 1);
        return d.result();
      },
      "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Accepted);
  Settle();
  const auto all = Commands();
  const std::vector<std::string> sent(all.begin() + static_cast<long>(sentFrom), all.end());
  EXPECT_EQ(sent, (std::vector<std::string>{"SC:13:1", "GC:7:8:9"}));
  EXPECT_EQ(Config().standard, 3);
}

TEST_F(DialogsGui, EnteredClockGoesOutWithATwoDigitYear) {
  StartReady();
  answers.Modal(
      [](QDialog& d) {
        auto& entry = static_cast<CORUTimeEntry&>(d);
        entry.DatePicker()->setDate(QDate(2024, 3, 5));
        entry.TimePicker()->setTime(QTime(7, 8, 9));
        ScriptedAnswerer::Click(d, 1);
        return d.result();
      },
      "CORUTimeEntry");
  app().OnCommand(ID_ENTER_DEVICE_CLOCK);
  EXPECT_TRUE(Eventually([&] { return Count("SR:03:05:24:07:08:09") == 1; }));
  // Cancel sends nothing.
  answers.Modal([](QDialog& d) { return ScriptedAnswerer::Click(d, 2) ? d.result() : 0; }, "CORUTimeEntry");
  app().OnCommand(ID_ENTER_DEVICE_CLOCK);
  Settle();
  EXPECT_EQ(CountPrefix("SR:"), 1);
}

TEST_F(DialogsGui, AboutShowsTheInstrumentsVersion) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Eventually([&] { return !Config().firmwareVersion.empty(); }));
  CAboutDlg about(app().viewContext(), "1, 2, 3, 4");
  EXPECT_EQ(about.DeviceVersionText(), "V 1.0.8");  // the simulated instrument's
  EXPECT_EQ(FindControl(&about, 1141)->property("text").toString(), "V 1.0.8");
}

// Help > About and the panel's Configure open centred on the main window, wherever it is.
TEST_F(DialogsGui, AboutAndConfigureOpenCentredOnTheMainWindow) {
  StartReady();
  app().mainFrame->move(60, 40);
  const auto centred = [&](const QString& name) {
    answers.Modal(
        [&](QDialog& dialog) {
          dialog.show();
          const QPoint off = dialog.frameGeometry().center() - app().mainFrame->frameGeometry().center();
          EXPECT_LE(off.manhattanLength(), 2) << name.toStdString() << " off by " << off.x() << "," << off.y();
          dialog.reject();
          return dialog.result();
        },
        name);
  };
  centred("CAboutDlg");
  app().mainFrame->Action(ID_APP_ABOUT)->trigger();
  centred("CORUConfigureDlg");
  qobject_cast<QAbstractButton*>(app().Views().controlView->Control(IDC_CONFIGURE))->click();
  EXPECT_TRUE(answers.AllUsed());
}

TEST_F(DialogsGui, FileOpenReplacesOnlyTheChosenType) {
  {
    CORUData other;
    apptest::FillTrace(other, 1000);
    ASSERT_EQ(SaveDocumentFile(Path("run2.ast").toStdString(), other, DocumentType::Trace, FileSettings{}),
              FileStatus::Ok);
    CORUData capture;
    apptest::FillCapture(capture, 3, 9);
    ASSERT_EQ(SaveDocumentFile(Path("run3.hsc").toStdString(), capture, DocumentType::Capture, FileSettings{}),
              FileStatus::Ok);
  }
  ASSERT_TRUE(Start());
  app().settings.autosaveFolder = Path("").toStdString();
  apptest::FillCapture(app().dataStore, 4);
  doc().SetTypeModified(true, DocumentType::Capture);
  const auto capture = CaptureFields(app().dataStore);
  const QString title = app().mainFrame->windowTitle();

  // Cancel and an unknown type change nothing.
  app().SelectTab(1);
  answers.OpenFile(std::nullopt);
  app().OnCommand(ID_FILE_OPEN);
  const FileDialogSpec traceSpec = answers.prompts().back().spec;
  EXPECT_EQ(traceSpec.filters.front().second, "*.ast");
  EXPECT_EQ(traceSpec.defaultExtension, "ast");
  EXPECT_EQ(traceSpec.initialFolder, app().settings.autosaveFolder);
  answers.OpenFile(Path("x.txt")).Box("Unknown file type", IDOK);
  app().OnCommand(ID_FILE_OPEN);
  EXPECT_EQ(app().mainFrame->windowTitle(), title);
  EXPECT_EQ(CaptureFields(app().dataStore), capture);

  // A trace from SIGNAL TRACE asks nothing and leaves the modified capture.
  answers.OpenFile(Path("run2.ast"));
  app().OnCommand(ID_FILE_OPEN);
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - run2.ast");
  EXPECT_EQ(apptest::TraceSamples(app().dataStore).size(), 1000u);
  EXPECT_EQ(CaptureFields(app().dataStore), capture);
  EXPECT_TRUE(doc().IsTypeModified(DocumentType::Capture));

  // A capture is offered for saving first; No lets it go.
  app().SelectTab(0);
  answers.OpenFile(Path("run3.hsc")).Box("Save changes to Untitled?", IDNO);
  app().OnCommand(ID_FILE_OPEN);
  const FileDialogSpec captureSpec = answers.prompts()[answers.prompts().size() - 2].spec;
  EXPECT_EQ(captureSpec.filters.front().second, "*.hsc");
  EXPECT_EQ(captureSpec.defaultExtension, "hsc");
  EXPECT_EQ(CaptureFields(app().dataStore).size(), 3u);
  EXPECT_EQ(doc().captureFilePath(), Path("run3.hsc"));
  EXPECT_EQ(app().mainFrame->windowTitle(), "Quorlan View PC - run3.hsc");
}

// Stands in for the user of the real colour dialog, who also defines a custom colour.
class CustomColorUser final : public PromptAnswerer {
 public:
  int AnswerMessageBox(const PromptRecord&) override { return IDCANCEL; }
  std::optional<QString> AnswerPath(const PromptRecord&) override { return std::nullopt; }
  std::optional<COLORREF> AnswerColor(const PromptRecord& prompt, std::array<COLORREF, 16>& custom) override {
    caption = prompt.title;
    custom[5] = 0x123456;
    return 0x000010;
  }
  int AnswerModal(const PromptRecord&, QDialog&) override { return 0; }
  QString caption;
};

TEST_F(DialogsGui, ColourChoiceKeepsItsCustomColoursAcrossARestartAndOptionsAreChecked) {
  ASSERT_TRUE(Start());
  CustomColorUser user;
  app().prompts().SetAnswerer(&user);
  app().OnCommand(ID_SELECT_ORIGINATE_COLOR);
  app().prompts().SetAnswerer(&answers);
  EXPECT_EQ(user.caption, "Select Originate Color...");
  EXPECT_EQ(app().settings.originateColor, 0x000010u);
  EXPECT_EQ(app().settings.originateTextColor, 0xFFFFFFu);
  EXPECT_EQ(app().settings.originateShade, ShadeColor(0x000010));

  for (const auto& [command, options] :
       {std::pair{ID_NEW_CAPTURE_CONCATENATE, 1}, std::pair{ID_NEW_CAPTURE_OVERWRITE, 2},
        std::pair{ID_NEW_CAPTURE_AUTOSAVE, 4}, std::pair{ID_NEW_CAPTURE_OVERWRITE, 2}}) {
    app().OnCommand(command);
    EXPECT_EQ(app().settings.options, options);
    EXPECT_EQ(app().context.captureOptions.load(), options);
    for (const int id : {ID_NEW_CAPTURE_CONCATENATE, ID_NEW_CAPTURE_OVERWRITE, ID_NEW_CAPTURE_AUTOSAVE}) {
      bool enabled = false;
      bool checked = true;
      ASSERT_TRUE(app().UpdateCommand(id, &enabled, &checked));
      EXPECT_TRUE(enabled);
      EXPECT_EQ(checked, id == command) << id;
    }
  }
  Exit();
  ASSERT_TRUE(Start());
  EXPECT_EQ(app().settings.customColors[5], 0x123456u);
  EXPECT_EQ(app().settings.originateColor, 0x000010u);
  EXPECT_EQ(app().settings.options, 2);
  EXPECT_EQ(app().context.captureOptions.load(), 2);
}

}  // namespace
