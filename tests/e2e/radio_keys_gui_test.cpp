// The template radio groups from the keyboard, with the application in-process, the worker, the
// driver and the simulated instrument: an arrow key moves to the group's next radio and selects it
// as a click does (its handler runs), and Tab enters a group at its checked radio. The
// configuration's call-progress labels follow their group's state.
#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <vector>

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/panel/ControlView.h"
#include "shell/OruApp.h"
#include "shell/model/StateSync.h"
#include "sim/Firmware.h"
#include "tests/shell/AppFixture.h"

namespace {

using apptest::Eventually;

class RadioKeys : public apptest::AppFixture {
 protected:
  void StartReady() {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Eventually([&] { return CountPrefix("VN") >= 1; }));
    ASSERT_TRUE(SettleWorker());
  }
  int CountPrefix(const std::string& prefix) {
    int n = 0;
    for (const std::string& c : instrument().transcript().commands()) n += c.rfind(prefix, 0) == 0;
    return n;
  }
  static QRadioButton* Radio(QWidget& root, int id) { return FindControlAs<QRadioButton>(&root, id); }
  // Shows `window` active, so that focus and Tab work as for a user.
  static bool Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
  }
  static QWidget* Focused(QWidget& root) { return root.window()->focusWidget(); }
};

TEST_F(RadioKeys, ControlPanelViewTypeFollowsTheArrowsAndTabFindsTheCheckedRadio) {
  StartReady();
  auto* panel = dynamic_cast<CORUControlView*>(app().Views().controlView.get());
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(Activate(*app().mainFrame));
  QRadioButton* ascii = Radio(*panel, IDC_ASCII);
  QRadioButton* hex = Radio(*panel, IDC_HEX);
  ASSERT_TRUE(ascii && hex);
  ASSERT_TRUE(ascii->isChecked());
  ASSERT_EQ(app().settings.viewType, ViewType::Ascii);

  ascii->setFocus(Qt::TabFocusReason);
  QTest::keyClick(ascii, Qt::Key_Down);
  EXPECT_EQ(Focused(*panel), hex);
  EXPECT_TRUE(hex->isChecked());
  EXPECT_FALSE(ascii->isChecked());
  EXPECT_EQ(app().settings.viewType, ViewType::Hex);  // OnHex ran

  // The control before the group hands Tab to the checked radio, not to the group's first.
  QWidget* session = FindControl(panel, IDC_SESSION);
  session->setFocus(Qt::TabFocusReason);
  QTest::keyClick(session, Qt::Key_Tab);
  EXPECT_EQ(Focused(*panel), hex);

  // Up wraps back within the two, and Right goes on as Down does.
  QTest::keyClick(hex, Qt::Key_Up);
  EXPECT_TRUE(ascii->isChecked());
  EXPECT_EQ(app().settings.viewType, ViewType::Ascii);
  QTest::keyClick(ascii, Qt::Key_Right);
  EXPECT_TRUE(hex->isChecked());
  QTest::keyClick(hex, Qt::Key_Right);
  EXPECT_TRUE(ascii->isChecked());
  EXPECT_EQ(Focused(*panel), ascii);
}

struct GroupStep {
  int from;             // the group's checked radio when the step starts
  int to;               // the radio Down reaches
  const char* boxText;  // the message box the handler shows, or nullptr
  int boxAnswer;
  int checkedAfter;  // the radio the values show afterwards
};

// Bell, 8N1, Async, 2 Wire, Answer Tone and Dial tone to begin with.
constexpr GroupStep kConfigureSteps[] = {
    {1013, 1014, nullptr, 0, 1014},                                                 // ITU
    {1015, 1016, nullptr, 0, 1016},                                                 // 7E1
    {1008, 1007, "Sync mode only valid for 8N1 data format", IDCANCEL, 1008},       // refused
    {1009, 1010, "Line 1 is Originate data\n\nLine 2 is Answer data", IDOK, 1010},  // 4 Wire
    {1017, 1018, nullptr, 0, 1018},                                                 // Call Progress
    {1031, 1032, nullptr, 0, 1032},                                                 // DTMF
};

TEST_F(RadioKeys, ConfigurationGroupsTakeDownAsAClickAndTabEntersAtTheCheckedRadio) {
  StartReady();
  instrument().withFirmware([](sim::Firmware& f) { f.config().set({{7, 0}, {8, 0}, {9, 0}, {13, 0}}); });
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  answers.Modal(
      [&](QDialog& d) -> int {
        // The dialog's own configuration read is answered and shown before any key: a late answer
        // would refill the radios between two steps.
        EXPECT_TRUE(SettleWorker());
        EXPECT_TRUE(Eventually([&] {
          dialog.ReloadFromSettings();
          return Radio(d, 1013)->isChecked() && Radio(d, 1015)->isChecked() && Radio(d, 1008)->isChecked();
        }));
        EXPECT_TRUE(Activate(d));
        // The call-progress group's labels are greyed with the group while Answer Tone holds.
        std::vector<QLabel*> labels;
        for (auto* label : d.findChildren<QLabel*>())
          if (label->text() == "Digits:" || label->text() == "Number:") labels.push_back(label);
        EXPECT_EQ(labels.size(), 2u);
        EXPECT_FALSE(FindControl(&d, 1034)->isEnabled());
        for (QLabel* label : labels) EXPECT_FALSE(label->isEnabled()) << label->text().toStdString();
        for (const GroupStep& step : kConfigureSteps) {
          SCOPED_TRACE(step.to);
          if (step.boxText) answers.Box(QString::fromLatin1(step.boxText), step.boxAnswer);
          QRadioButton* from = Radio(d, step.from);
          EXPECT_TRUE(from->isChecked());
          from->setFocus(Qt::TabFocusReason);
          QTest::keyClick(from, Qt::Key_Down);
          EXPECT_TRUE(answers.AllUsed());
          EXPECT_EQ(Focused(d), Radio(d, step.to));
          // The handler refills the radios from the values: a radio that stays checked was taken.
          EXPECT_TRUE(Radio(d, step.checkedAfter)->isChecked());
          for (int other : {step.from, step.to})
            if (other != step.checkedAfter) {
              EXPECT_FALSE(Radio(d, other)->isChecked());
            }
          if (step.to == 1018) {
            EXPECT_TRUE(FindControl(&d, 1034)->isEnabled());
            for (QLabel* label : labels) EXPECT_TRUE(label->isEnabled()) << label->text().toStdString();
          }
        }
        EXPECT_EQ(dialog.Values().standard, 1);
        EXPECT_EQ(dialog.Values().format, 1);
        EXPECT_EQ(dialog.Values().mode, 0);
        EXPECT_EQ(dialog.Values().lineType, 1);
        EXPECT_EQ(dialog.Values().callProgress, 1);

        // From the standard group Tab skips 8N1 for the checked 7E1, and from there Async.
        Radio(d, 1014)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Radio(d, 1014), Qt::Key_Tab);
        EXPECT_EQ(Focused(d), Radio(d, 1016));
        QTest::keyClick(Radio(d, 1016), Qt::Key_Tab);
        EXPECT_EQ(Focused(d), Radio(d, 1008));
        d.hide();
        return 0;
      },
      "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), 0);
}

}  // namespace
