#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

#include <mutex>

#include "resources/TemplateBuilder.h"
#include "shell/dialogs/AboutDlg.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/dialogs/DialDlg.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/dialogs/HyperlinkStatic.h"
#include "shell/views/ParserView.h"
#include "shell/dialogs/TimeEntry.h"
#include "resources/data/ResourceIds.h"
#include "tests/shell/AppFixture.h"
#include "link/store/LinkAccess.h"

namespace {

// The mouse moved to `at` over `widget`, without a button.
void MoveMouse(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

class DialogsTest : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    plugAtStart = false;
  }
  void TearDown() override {
    CHyperlinkStatic::SetOpenHook({});
    AppFixture::TearDown();
  }
};

TEST_F(DialogsTest, FindIsGreyedUntilTheFirstCharacterTakesTwentyAndFindsNothing) {
  ASSERT_TRUE(Start());
  apptest::FillCapture(app().dataStore, 5);
  LinkFields(app().dataStore).cursorRecordIndex = 2;
  CORUFindDlg dialog(app().viewContext(), nullptr);
  bool stillOpen = false;
  answers.Modal(
      [&](QDialog& d) {
        auto* edit = FindControlAs<QLineEdit>(&d, 1120);
        auto* find = FindControlAs<QPushButton>(&d, 1123);
        auto* kind = FindControlAs<QComboBox>(&d, 1122);
        if (!edit || !find || !kind) return static_cast<int>(QDialog::Rejected);
        EXPECT_FALSE(find->isEnabled());
        EXPECT_EQ(kind->currentText(), "ASCII text");
        EXPECT_EQ(kind->count(), 3);
        QTest::keyClicks(edit, "a");
        EXPECT_TRUE(find->isEnabled());
        QTest::keyClicks(edit, "bcdefghijklmnopqrstuvwxyz");
        EXPECT_EQ(edit->text(), "abcdefghijklmnopqrst");
        const int prompts = app().prompts().PromptCount();
        find->click();
        QTest::keyClick(edit, Qt::Key_Return);  // the default button: Find again
        stillOpen = d.result() == 0 && app().prompts().PromptCount() == prompts;
        edit->clear();
        EXPECT_FALSE(find->isEnabled());
        QTest::keyClicks(edit, "xyz");
        ScriptedAnswerer::Click(d, 2);  // Close
        return d.result();
      },
      "CORUFindDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Rejected);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dialog.SearchText(), "xyz");
  EXPECT_EQ(dialog.SearchKind(), "ASCII text");
  EXPECT_EQ(apptest::CaptureFields(app().dataStore).size(), 5u);
  EXPECT_EQ(LinkFields(app().dataStore).cursorRecordIndex, 2);
}

TEST_F(DialogsTest, LinkOpensOnlyFromItsTextAndOnlyWithAnAddress) {
  ASSERT_TRUE(Start());
  QWidget parent;
  parent.resize(400, 100);
  auto* label = new QLabel("link", &parent);
  label->setObjectName("1163");
  label->setProperty("controlId", 1163);
  label->setGeometry(10, 10, 300, 40);
  CHyperlinkStatic* link = CHyperlinkStatic::Attach(label);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(parent.findChild<QLabel*>(), nullptr);
  EXPECT_EQ(FindControl(&parent, 1163), link);
  EXPECT_EQ(link->LinkText(), "link");
  parent.show();

  QStringList opened;
  CHyperlinkStatic::SetOpenHook([&](const QString& url) { opened << url; });
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_TRUE(opened.isEmpty());  // no address yet

  link->SetUrl("https://example.invalid/");
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(250, 2));  // beside the text
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 35));   // below it
  EXPECT_TRUE(opened.isEmpty());
  QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(opened, QStringList{"https://example.invalid/"});

  const auto moveTo = [link](QPoint at) { MoveMouse(link, at); };
  moveTo(QPoint(3, 3));
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  moveTo(QPoint(260, 4));
  EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
  moveTo(QPoint(3, 3));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);

  const QFont parentFont = parent.font();
  link->SetLinkText("a much longer link text");
  EXPECT_TRUE(link->HitTest(QPoint(QFontMetrics(parentFont).horizontalAdvance("a much longer"), 2)));
}

TEST_F(DialogsTest, AboutTogglesOnADoubleClickAnywhereAndHasNoDeviceVersionWithoutAnInstrument) {
  ASSERT_TRUE(Start());
  CAboutDlg about(app().viewContext(), "2, 0, 3, 7");
  about.show();
  auto* program = FindControlAs<QLabel>(&about, 1138);
  auto* device = FindControlAs<QLabel>(&about, 1141);
  ASSERT_NE(program, nullptr);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(about.windowTitle(), "About Quorlan View");
  EXPECT_EQ(about.parentWidget(), nullptr);
  EXPECT_EQ(program->text(), "Quorlan View PC 2. 0. 3");
  EXPECT_EQ(device->text(), "");
  QTest::mouseDClick(program, Qt::LeftButton);
  EXPECT_EQ(program->text(), "Quorlan View PC 2. 0. 3. 7");
  EXPECT_TRUE(about.ShowsFullVersion());
  QTest::mouseDClick(&about, Qt::LeftButton, {}, QPoint(about.width() - 3, about.height() - 3));
  EXPECT_EQ(program->text(), "Quorlan View PC 2. 0. 3");

  // The box sets no address: even its text opens nothing.
  QStringList opened;
  CHyperlinkStatic::SetOpenHook([&](const QString& url) { opened << url; });
  ASSERT_NE(about.Link(), nullptr);
  MoveMouse(about.Link(), QPoint(3, 3));
  EXPECT_EQ(about.Link()->cursor().shape(), Qt::ArrowCursor);  // no hand without an address
  QTest::mouseClick(about.Link(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_TRUE(opened.isEmpty());

  CAboutDlg unknown(app().viewContext(), "");
  EXPECT_EQ(unknown.ProgramVersionText(), "Quorlan View PC Version UNKNOWN");
  // The build's own entry has four parts.
  EXPECT_EQ(CAboutDlg::ProgramVersionEntry().split(", ").size(), 4);
}

TEST_F(DialogsTest, AboutCommandRunsTheBox) {
  ASSERT_TRUE(Start());
  QString shown;
  answers.Modal(
      [&](QDialog& d) {
        if (auto* program = FindControlAs<QLabel>(&d, 1138)) shown = program->text();
        return static_cast<int>(QDialog::Accepted);
      },
      "CAboutDlg");
  app().OnCommand(ID_APP_ABOUT);
  EXPECT_EQ(app().AboutRuns(), 1);
  EXPECT_EQ(shown.toStdString(),
            "Quorlan View PC " + CAboutDlg::ProgramVersionEntry().replace(',', '.').section('.', 0, 2).toStdString());
}

TEST_F(DialogsTest, ClockDialogStartsFromThePcTimeAndKeepsToTheInstrumentsCentury) {
  ASSERT_TRUE(Start());
  const QDateTime now(QDate(2031, 6, 7), QTime(8, 9, 10));
  CORUTimeEntry dialog(app().viewContext(), nullptr, now);
  ASSERT_NE(dialog.DatePicker(), nullptr);
  ASSERT_NE(dialog.TimePicker(), nullptr);
  EXPECT_EQ(dialog.windowTitle(), "Set ORUpc date and time");
  EXPECT_EQ(dialog.DatePicker()->date(), now.date());
  EXPECT_EQ(dialog.TimePicker()->time(), now.time());
  for (const QDate& refused : {QDate(1999, 12, 31), QDate(2100, 1, 1)}) {
    dialog.DatePicker()->setDate(refused);
    EXPECT_GE(dialog.DatePicker()->date().year(), 2000);
    EXPECT_LE(dialog.DatePicker()->date().year(), 2099);
  }
  dialog.DatePicker()->setDate(QDate(2024, 3, 5));
  dialog.TimePicker()->setTime(QTime(7, 8, 9));
  ScriptedAnswerer::Click(dialog, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const SYSTEMTIME t = app().context.enteredClock.Get();
  EXPECT_EQ(t.wYear, 2024);
  EXPECT_EQ(t.wMonth, 3);
  EXPECT_EQ(t.wDay, 5);
  EXPECT_EQ(t.wHour, 7);
  EXPECT_EQ(t.wMinute, 8);
  EXPECT_EQ(t.wSecond, 9);

  // Cancel leaves the record alone.
  CORUTimeEntry cancelled(app().viewContext(), nullptr, QDateTime(QDate(2040, 1, 1), QTime(1, 1, 1)));
  ScriptedAnswerer::Click(cancelled, 2);
  EXPECT_EQ(app().context.enteredClock.Get().wYear, 2024);
}

TEST_F(DialogsTest, ClockWithoutAnInstrumentShowsTheBoxAfterTheDialog) {
  ASSERT_TRUE(Start());
  answers.Modal([](QDialog& d) { return ScriptedAnswerer::Click(d, 1) ? d.result() : 0; }, "CORUTimeEntry")
      .Box("No USB connection to ORUpc", IDOK);
  app().OnCommand(ID_ENTER_DEVICE_CLOCK);
  EXPECT_EQ(answers.prompts().back().title, "COMM Error");
  // Cancel asks nothing more.
  answers.Modal([](QDialog& d) { return ScriptedAnswerer::Click(d, 2) ? d.result() : 0; }, "CORUTimeEntry");
  app().OnCommand(ID_ENTER_DEVICE_CLOCK);
  EXPECT_EQ(answers.prompts().back().kind, PromptKind::Modal);
}

TEST_F(DialogsTest, ConfigurationWithoutAnInstrumentOffersTheFormatAlone) {
  ASSERT_TRUE(Start());
  CSysCfg before;
  {
    std::lock_guard lock(LinkFields(app().dataStore).dataMutex);
    LinkFields(app().dataStore).sysCfg.parity7E1 = 0;
    LinkFields(app().dataStore).sysCfg.trigger = 0;
    before = LinkFields(app().dataStore).sysCfg;
  }
  CORUConfigureDlg dialog(app().viewContext(), nullptr);
  answers.Modal(
      [&](QDialog& d) {
        EXPECT_TRUE(dialog.WindowExists());
        EXPECT_EQ(d.pos(), QPoint(0, 0));
        for (int id : {1015, 1016, 1104}) EXPECT_TRUE(FindControl(&d, id)->isEnabled()) << id;
        for (int id : {1013, 1014, 1008, 1007, 1009, 1010, 1017, 1018, 1031, 1032, 1033, 1034, 1035, 1036, 3})
          EXPECT_FALSE(FindControl(&d, id)->isEnabled()) << id;
        EXPECT_TRUE(FindControlAs<QRadioButton>(&d, 1015)->isChecked());
        ScriptedAnswerer::Click(d, 1016);
        EXPECT_TRUE(FindControlAs<QRadioButton>(&d, 1016)->isChecked());
        EXPECT_FALSE(FindControlAs<QRadioButton>(&d, 1015)->isChecked());
        ScriptedAnswerer::Click(d, 1);
        return d.result();
      },
      "CORUConfigureDlg");
  EXPECT_EQ(dialog.RunModal(), QDialog::Accepted);
  EXPECT_FALSE(dialog.WindowExists());
  std::lock_guard lock(LinkFields(app().dataStore).dataMutex);
  const CSysCfg& after = LinkFields(app().dataStore).sysCfg;
  EXPECT_EQ(after.parity7E1, 1);
  EXPECT_EQ(after.standard, before.standard);
  EXPECT_EQ(after.sync, before.sync);
  EXPECT_EQ(after.trigger, before.trigger);
  EXPECT_EQ(after.item14, before.item14);
  EXPECT_EQ(after.triggerText, before.triggerText);
}

TEST_F(DialogsTest, UnusedWindowsComeFromTheirTemplates) {
  ASSERT_TRUE(Start());
  CORUDialDlg dial;
  EXPECT_EQ(dial.windowTitle(), "Dialog");
  EXPECT_NE(FindControl(&dial, 1009), nullptr);
  CORUParserView parser(app().viewContext());
  const auto labels = parser.findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front()->text(), "TODO: layout formview");
  EXPECT_EQ(&parser.Context(), &app().viewContext());
}

}  // namespace
