#include <gtest/gtest.h>

#include <clocale>
#include <set>
#include <string>

#include "link/protocol/CommStruct.h"
#include "link/store/ConfigItemTable.h"
#include "link/protocol/HexDigits.h"
#include "link/protocol/WorkerMessages.h"

namespace {

TEST(WorkerMessages, OneSortedTableOfWmUserBasedIds) {
  std::set<UINT> ids;
  UINT previous = 0;
  for (const WorkerMessage* row = WorkerMessagesBegin(); row != WorkerMessagesEnd(); ++row) {
    EXPECT_GT(row->id, previous);
    previous = row->id;
    EXPECT_TRUE(std::string(row->name).starts_with("WM_ORU_")) << row->id;
    EXPECT_EQ(FindWorkerMessage(row->id), row);
    ids.insert(row->id);
    if (row->request) {
      EXPECT_FALSE(std::string(row->text).empty()) << row->name;
    }
  }
  EXPECT_EQ(*ids.begin(), 2025u);
  EXPECT_EQ(WM_ORU_SET_CONFIG, WM_USER + 1001);
  EXPECT_EQ(std::string(FindWorkerMessage(WM_ORU_TERMINATE)->text), "GENERAL Thread message -- TERMINATE");
  EXPECT_EQ(std::string(FindWorkerMessage(WM_ORU_GET_CAPTURE_DATA)->text), "Retreive capture data from the ORUpc");
  EXPECT_EQ(kWorkerFilterLast, 3024u);
}

TEST(WorkerMessages, RequestsAreExactlyThoseTheWorkerTakes) {
  const std::set<UINT> requests = {2025, 2026, 2027, 2032, 2033, 2034, 2038, 2039, 2040, 2041,
                                   2044, 2045, 2047, 2048, 2049, 2050, 2052, 2053, 2055, 2056,
                                   2058, 2059, 2062, 2065, 2066, 2068, 2069, 2071, 2072};
  for (UINT id = 0; id <= 3100; ++id) EXPECT_EQ(IsWorkerRequest(id), requests.count(id) == 1) << id;
  // Notification-only ids are no requests.
  EXPECT_TRUE(FindWorkerMessage(WM_ORU_TRACE_DATA_READY)->notification);
  EXPECT_FALSE(FindWorkerMessage(WM_ORU_SET_NOTIFY_WINDOW)->notification);
  EXPECT_EQ(FindWorkerMessage(2028), nullptr);
}

TEST(CommStruct, CommandTextIsTheNameAloneOrNameAndParams) {
  CORUCommStruct record;
  record.replyText = "old";
  record.SetCommand("CA:1", "");
  EXPECT_EQ(record.commandText, "CA:1");
  EXPECT_TRUE(record.replyText.empty());
  record.SetCommand("DT", "0:2");
  EXPECT_EQ(record.commandText, "DT:0:2");
}

TEST(HexDigits, DigitsWordsAndForeignCharacters) {
  EXPECT_EQ(HexDigitValue('7'), 7);
  EXPECT_EQ(HexDigitValue('b'), 11);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('G'), 0);
  EXPECT_EQ(HexDigitValue('\0'), 0);
  EXPECT_EQ(HexWord("00FF"), 255u);
  EXPECT_EQ(HexWord("FFFF"), 65535u);
  EXPECT_EQ(HexWord("ffff"), 65535u);
  EXPECT_EQ(HexWord("G001"), 1u);
  EXPECT_EQ(HexWord("12345"), 0x1234u);
  // A field cut short counts its missing digits as 0.
  EXPECT_EQ(HexWord("12"), 0x1200u);
  EXPECT_EQ(HexWord(""), 0u);
  EXPECT_EQ(HexByte("A"), 0xA0u);
}

TEST(SettingsCommand, ItemsInTheFixedOrderWithTheRecordsValues) {
  CSysCfg config;
  config.standard = 2;
  config.parity7E1 = 0;
  config.sync = 1;
  EXPECT_EQ(BuildSettingsCommand(config, 0x1C0), "SC:7:2:8:0:9:1");
  config.item4 = 3;
  config.item5 = 4;
  config.modem3Volume = 200;
  EXPECT_EQ(BuildSettingsCommand(config, 0x38), "SC:4:3:5:4:6:200");
  config.traceScale = 2;
  config.traceSpan = 4;
  config.trigger = 3;
  config.item15 = static_cast<USHORT>(-25);
  EXPECT_EQ(BuildSettingsCommand(config, 0x38800), "SC:16:2:17:4:13:3:15:-25");
  EXPECT_EQ(BuildSettingsCommand(config, 0x200 | 0x1000), "SC");
  config.callProgress = 1;
  EXPECT_EQ(BuildSettingsCommand(config, 0x2000), "SC:99:1");
}

TEST(SettingsCommand, ReadValuesGoToTheFieldOfTheItemAsked) {
  CSysCfg config;
  EXPECT_TRUE(StoreConfigValue(config, 7, "3"));
  EXPECT_TRUE(StoreConfigValue(config, 8, "1"));
  EXPECT_TRUE(StoreConfigValue(config, 9, "1"));
  EXPECT_TRUE(StoreConfigValue(config, 99, "2"));
  EXPECT_TRUE(StoreConfigValue(config, 15, "-40"));
  EXPECT_EQ(config.standard, 3);
  EXPECT_EQ(config.parity7E1, 1);
  EXPECT_EQ(config.sync, 1);
  EXPECT_EQ(config.callProgress, 2);
  EXPECT_EQ(static_cast<SHORT>(config.item15), -40);
  EXPECT_EQ(config.item4, 0);  // 8 is the format item, not item 4
  EXPECT_FALSE(StoreConfigValue(config, 12, "1"));
  EXPECT_FALSE(StoreConfigValue(config, 7, "x"));
  EXPECT_EQ(config.standard, 3);
}

TEST(SettingsCommand, FactorsAreReadWithAPointWhateverTheLocale) {
  // A comma locale, when the system has one, must not change how "0.005" reads.
  const char* comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  CSysCfg config;
  EXPECT_TRUE(StoreConfigValue(config, 18, "0.005"));
  EXPECT_TRUE(StoreConfigValue(config, 19, "-0.1"));
  EXPECT_DOUBLE_EQ(config.value1, 0.005);
  EXPECT_DOUBLE_EQ(config.value2, -0.1);
  if (comma != nullptr) std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
