// The recall dialog made directly on an application without a worker: rows from the directory as
// the answers arrive, the busy cursor and a new opening.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <memory>

#include "display/SessionRecall.h"
#include "resources/TemplateBuilder.h"
#include "shell/OruApp.h"
#include "tests/shell/AppFixture.h"
#include "link/store/LinkAccess.h"

namespace {

class RecallDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    dialog = std::make_unique<CORUSessionRecall>(app->viewContext(), nullptr);
    for (int k = 0; k < kRecallRows; ++k) {
      CORUCaptureHeader& entry = LinkFields(store()).sessionDirectory[static_cast<std::size_t>(k)];
      entry.startDate = "01/1" + std::to_string(k) + "/24";
      entry.startTime = "09:15:0" + std::to_string(k);
      entry.reserved32 = 100 * (k + 1);
      entry.flags = k == 3 ? EVENT_SYNC : k == 1 ? EVENT_7E1 : k == 7 ? EVENT_4WIRE : 0;
    }
  }
  void TearDown() override {
    dialog.reset();
    app.reset();
  }
  CORUData& store() { return app->dataStore; }
  QString Text(int id) { return FindControlAs<QLabel>(dialog.get(), id)->text(); }
  bool Enabled(int id) { return FindControl(dialog.get(), id)->isEnabled(); }
  void AllAnswers() {
    for (int slot = 0; slot < kRecallRows; ++slot) dialog->OnSessionHeader(slot);
  }

  std::unique_ptr<CORUpc144App> app;
  std::unique_ptr<CORUSessionRecall> dialog;
};

TEST_F(RecallDialog, FillsEachRowAsItsAnswerArrives) {
  LinkFields(store()).sessionDirectory[5].reserved32 = 0;
  dialog->show();
  EXPECT_TRUE(dialog->WindowExists());
  EXPECT_EQ(dialog->windowTitle(), "Recall Session");
  for (int row = 1; row <= kRecallRows; ++row) {
    EXPECT_EQ(Text(RecallIdsOfRow(row).count), "Retreiving...");
    EXPECT_FALSE(Enabled(RecallIdsOfRow(row).recall));
  }
  dialog->OnSessionHeader(0);
  EXPECT_EQ(Text(1117), "01/10/24  09:15:00");
  EXPECT_EQ(Text(1118), "100 bytes");
  EXPECT_EQ(Text(1144), "Async");
  EXPECT_TRUE(Enabled(1108) && Enabled(1119) && Enabled(1144));
  EXPECT_EQ(Text(1121), "Retreiving...");  // row 2 has had no answer yet
  AllAnswers();
  EXPECT_EQ(Text(RecallIdsOfRow(4).mode), "Sync");
  const RecallRowIds empty = RecallIdsOfRow(6);
  EXPECT_EQ(Text(empty.count), "EMPTY");
  EXPECT_EQ(Text(empty.date), "");
  EXPECT_FALSE(Enabled(empty.recall));
  EXPECT_FALSE(Enabled(empty.label));
  // Slots past the ninth change nothing.
  const RecallRowState before = dialog->Row(9);
  dialog->OnSessionHeader(9);
  dialog->OnSessionHeader(-1);
  EXPECT_EQ(dialog->Row(9), before);
}

TEST_F(RecallDialog, BusyShowsTheWaitCursorButKeepsCancel) {
  dialog->show();
  dialog->OnSessionHeader(0);
  EXPECT_TRUE(dialog->Busy());
  EXPECT_EQ(dialog->cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(dialog->isEnabled());
  EXPECT_TRUE(Enabled(IDCANCEL));
  FindControlAs<QPushButton>(dialog.get(), IDCANCEL)->click();
  EXPECT_FALSE(dialog->WindowExists());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);

  // The next opening starts afresh: not busy, every row waiting again.
  dialog->show();
  EXPECT_FALSE(dialog->Busy());
  EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(Text(1118), "Retreiving...");
  EXPECT_FALSE(Enabled(1119));
  AllAnswers();
  EXPECT_FALSE(dialog->Busy());
  EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
