// The recall dialog's rows: control ids, directory entries into texts, the busy span and what a
// recall copies into the capture configuration.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "display/model/SessionRecallRows.h"
#include "link/store/OruData.h"
#include "link/store/LinkAccess.h"

namespace {

CORUCaptureHeader Entry(LONG count, UCHAR flags, std::string date = "01/02/10", std::string time = "12:30:45") {
  CORUCaptureHeader entry;
  entry.startDate = std::move(date);
  entry.startTime = std::move(time);
  entry.endText = "NO CARRIER";
  entry.reserved32 = count;
  entry.flags = flags;
  return entry;
}

TEST(RecallRowIds, FollowTheTemplateSteps) {
  const auto ids = [](int row) {
    const RecallRowIds i = RecallIdsOfRow(row);
    return std::array{i.label, i.date, i.count, i.recall, i.mode, i.format, i.line};
  };
  EXPECT_EQ(ids(1), (std::array{1108, 1117, 1118, 1119, 1144, 1153, 1162}));
  EXPECT_EQ(ids(9), (std::array{1116, 1141, 1142, 1143, 1152, 1161, 1170}));
  EXPECT_EQ((std::array{RecallRowOfButton(1119), RecallRowOfButton(1131), RecallRowOfButton(1143)}),
            (std::array{1, 5, 9}));
  EXPECT_EQ(RecallRowOfButton(1120), 0);  // row 2's date
}

struct EntryCase {
  UCHAR flags;
  const char* mode;
  const char* format;
  const char* line;
};

class RecallEntryTexts : public ::testing::TestWithParam<EntryCase> {};

TEST_P(RecallEntryTexts, ShowTheFlagBits) {
  RecallRowState row = InitialRecallRow();
  ApplyDirectoryEntry(row, Entry(256, GetParam().flags));
  EXPECT_EQ(row.count, "256 bytes");
  EXPECT_EQ(row.date, "01/02/10  12:30:45");
  EXPECT_EQ(row.mode, GetParam().mode);
  EXPECT_EQ(row.format, GetParam().format);
  EXPECT_EQ(row.line, GetParam().line);
  EXPECT_TRUE(row.entryEnabled);
  EXPECT_TRUE(row.modesEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, RecallEntryTexts,
    ::testing::Values(EntryCase{0x00, "Async", "8N1", "2 Wire"}, EntryCase{0x38, "Sync", "7E1", "4 Wire"},
                      EntryCase{0x08, "Sync", "8N1", "2 Wire"}, EntryCase{0x20, "Async", "7E1", "2 Wire"},
                      EntryCase{0x10, "Async", "8N1", "4 Wire"}, EntryCase{0xC7, "Async", "8N1", "2 Wire"}));

TEST(RecallRows, AnEmptySlotKeepsItsModeTexts) {
  RecallRowState row = InitialRecallRow();
  ApplyDirectoryEntry(row, Entry(40, 0x38));
  ApplyDirectoryEntry(row, Entry(0, 0x00, "09/09/99", "01:02:03"));
  RecallRowState expected{"", "EMPTY", "Sync", "7E1", "4 Wire", false, true};
  EXPECT_EQ(row, expected);
  ApplyDirectoryEntry(row, Entry(7, 0x00));  // filled again
  EXPECT_EQ(row, (RecallRowState{"01/02/10  12:30:45", "7 bytes", "Async", "8N1", "2 Wire", true, true}));
}

// The worker rewrites entries under dataMutex while the dialog reads them: every copy is one
// whole entry, never half of each.
TEST(RecallDirectory, EntriesAreCopiedWhole) {
  CORUData store;
  const CORUCaptureHeader a = Entry(1, 0x08, std::string(40, 'a'), std::string(40, 'b'));
  const CORUCaptureHeader b = Entry(2, 0x20, std::string(3, 'c'), std::string(50, 'd'));
  auto& fields = LinkFields(store);
  fields.sessionDirectory[6] = a;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) {
      std::lock_guard guard(fields.dataMutex);
      fields.sessionDirectory[6] = i % 2 == 0 ? b : a;
    }
  });
  int torn = 0;
  for (int i = 0; i < 20000; ++i) {
    const CORUCaptureHeader copy = ReadDirectoryEntry(store, 6);
    if (!(copy == a) && !(copy == b)) ++torn;
  }
  stop = true;
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
