#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "resources/data/ResourceIds.h"
#include "shell/OruApp.h"
#include "shell/dialogs/SplashDlg.h"
#include "shell/dialogs/UsbListDlg.h"
#include "tests/shell/FrameFixture.h"

namespace frametest {
namespace {

using apptest::Eventually;

class FrameDialogsTest : public FrameFixture {};

TEST_F(FrameDialogsTest, UsbListShowsTheKeptReplyLinesInOrder) {
  ASSERT_TRUE(StartAndSettle());
  store().replyLines.Clear();
  store().replyLines.Add("vn:V 1.0.8");
  store().replyLines.Add("gc:1:2:3");
  QStringList rows;
  QString title;
  answers.Modal([&](QDialog& dialog) {
    title = dialog.windowTitle();
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("1179"));
    if (list != nullptr)
      for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return static_cast<int>(QDialog::Accepted);
  });
  frame()->OnCommand(ID_USB_LIST);
  EXPECT_EQ(title, QStringLiteral("USB Rcv"));
  EXPECT_EQ(rows, (QStringList{"vn:V 1.0.8", "gc:1:2:3"}));
}

TEST_F(FrameDialogsTest, LoadApplicationWithoutADeviceSaysSo) {
  plugAtStart = false;
  ASSERT_TRUE(StartAndSettle());
  answers.Box(QStringLiteral("No USB connection to ORUpc"), IDOK, [](const PromptRecord& prompt) {
    EXPECT_EQ(prompt.title, QStringLiteral("COMM Error"));
    EXPECT_EQ(prompt.style & MB_SYSTEMMODAL, MB_SYSTEMMODAL);
  });
  frame()->OnCommand(ID_LOAD_APPLICATION);
  EXPECT_FALSE(store().Run().downloadRunning());
}

TEST_F(FrameDialogsTest, LoadApplicationCancelledStartsNothing) {
  ASSERT_TRUE(StartAndSettle());
  answers.OpenFile(std::nullopt);
  frame()->OnCommand(ID_LOAD_APPLICATION);
  ASSERT_EQ(answers.prompts().size(), 1u);
  const FileDialogSpec& spec = answers.prompts()[0].spec;
  EXPECT_EQ(spec.title, "Open ORUpc application file");
  ASSERT_EQ(spec.filters.size(), 1u);
  EXPECT_EQ(spec.filters[0].first, "MOT files (*.mot)");
  EXPECT_FALSE(store().Run().downloadRunning());
}

TEST_F(FrameDialogsTest, DevelopmentDialogIsShownAndHearsTheCalibration) {
  ASSERT_TRUE(StartAndSettle());
  log.Clear();
  frame()->OnCommand(ID_DEVELOPMENT);
  EXPECT_EQ(log.Count("develop.Show"), 1);
  // Once its window exists it hears the calibration notifications.
  log.Clear();
  Notify(2042, 1, 2);
  Notify(2045, 1, 7);
  EXPECT_EQ(log.calls.filter("develop.").size(), 2);
}

TEST(Splash, ClosesItselfAndLeavesMagentaOut) {
  apptest::QtApplication();
  CORUSplashDlg splash;
  const QImage& bitmap = splash.Bitmap();
  ASSERT_FALSE(bitmap.isNull());
  splash.show();
  const QRegion shape = splash.mask();
  ASSERT_FALSE(shape.isEmpty());
  int magenta = 0;
  int opaque = 0;
  for (int y = 0; y < bitmap.height(); y += 3) {
    for (int x = 0; x < bitmap.width(); x += 3) {
      const bool transparent = (bitmap.pixel(x, y) & 0xFFFFFF) == 0xFF00FF;
      EXPECT_EQ(shape.contains(QPoint(x, y)), !transparent) << x << "," << y;
      (transparent ? magenta : opaque)++;
    }
  }
  EXPECT_GT(magenta, 0);
  EXPECT_GT(opaque, 0);
  EXPECT_TRUE(Eventually([&] { return !splash.isVisible(); }, 10000));
  EXPECT_EQ(splash.result(), 0);
}

}  // namespace
}  // namespace frametest
