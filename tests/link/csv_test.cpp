#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "HdlcLine.h"
#include "StoreBytes.h"
#include "link/store/LinkAccess.h"

namespace {

const std::string kHeader = "Index,HEX Data,ASCII Data,Ans/Orig,Time\r\n";

}  // namespace

TEST(Csv, TwoEventsGiveTheirEventLinesBeforeTheirRows) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.captureHeaders.Add(MakeEvent(0, 3, 0, "CONNECT 2400"));
  CORUCaptureHeader second = MakeEvent(3, 2, 0, "CONNECT 1200");
  second.startDate = "03/06/24";
  second.startTime = "10:00:00";
  fields.captureHeaders.Add(second);
  const UCHAR data[] = {'A', 'T', 0x0D, 'O', 'K'};
  for (int i = 0; i < 5; ++i) fields.captureBuffer.Add(CCaptBuf(data[i], i < 3 ? 0x00 : 0x80, 5 * i, 1));
  EXPECT_EQ(CsvOf(store), kHeader +
                              "EVENT #1:  03/05/24 07:08:09 CONNECT 2400  3 bytes\n"
                              "0,0x41,\"A\",O,1.000000\r\n"
                              "1,0x54,\"T\",O,1.000500\r\n"
                              "2,0x0D,\"<CR>\",O,1.001000\r\n"
                              "EVENT #2:  03/06/24 10:00:00 CONNECT 1200  2 bytes\n"
                              "3,0x4F,\"O\",A,1.001500\r\n"
                              "4,0x4B,\"K\",A,1.002000\r\n");
}

TEST(Csv, EveryReachedEventGetsItsLineEvenSeveralAtOneIndex) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.captureBuffer.Add(CCaptBuf('x', 0, 0, 0));  // before any event
  fields.captureBuffer.Add(CCaptBuf('y', 0, 0, 0));
  fields.captureHeaders.Add(MakeEvent(1, 0, 0, "E1"));
  fields.captureHeaders.Add(MakeEvent(1, 1, 0, "E2"));
  fields.captureHeaders.Add(MakeEvent(0, 0, 0, "E3"));  // already passed when its turn comes
  fields.captureHeaders.Add(MakeEvent(9, 0, 0, "E4"));  // never reached
  EXPECT_EQ(CsvOf(store), kHeader +
                              "0,0x78,\"x\",O,0.000000\r\n"
                              "EVENT #1:  03/05/24 07:08:09 E1  0 bytes\n"
                              "EVENT #2:  03/05/24 07:08:09 E2  1 bytes\n"
                              "EVENT #3:  03/05/24 07:08:09 E3  0 bytes\n"
                              "1,0x79,\"y\",O,0.000000\r\n");
}

TEST(Csv, SevenBitDataIsReducedBeforeItIsClassifiedAndPrinted) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.captureBuffer.Add(CCaptBuf(0xB4, 0x80, 0, 0));
  fields.captureBuffer.Add(CCaptBuf(0xA2, 0x00, 0, 0));  // 0x22 once reduced
  fields.captureBuffer.Add(CCaptBuf(0x8D, 0x00, 0, 0));  // 0x0D once reduced
  EXPECT_EQ(CsvOf(store), kHeader +
                              "0,0xB4,\"\xB4\",A,0.000000\r\n"
                              "1,0xA2,\"\xA2\",O,0.000000\r\n"
                              "2,0x8D,\"\x8D\",O,0.000000\r\n");
  fields.sysCfg.parity7E1 = 1;
  EXPECT_EQ(CsvOf(store), kHeader +
                              "0,0x34,\"4\",A,0.000000\r\n"
                              "1,0x22,\"\"\"\",O,0.000000\r\n"
                              "2,0x0D,\"<CR>\",O,0.000000\r\n");
}

TEST(Csv, SpaceQuoteAndEveryControlByteHaveTheirNames) {
  CORUData store;
  for (int b = 0; b < 256; ++b) LinkFields(store).captureBuffer.Add(CCaptBuf(static_cast<UCHAR>(b), 0, 0, 0));
  const std::string csv = CsvOf(store);
  const char* names[32] = {"<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>",
                           "<BS>",  "<TAB>", "<LF>",  "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",
                           "<DLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>", "<SYN>", "<ETB>",
                           "<CAN>", "<EM>",  "<SUB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>"};
  std::string expected = kHeader;
  char row[64];
  for (int b = 0; b < 256; ++b) {
    std::string ascii;
    if (b == 0x22)
      ascii = "\"\"\"\"";
    else if (b == 0x20)
      ascii = "\"<SP>\"";
    else if (b < 0x20)
      ascii = std::string("\"") + names[b] + "\"";
    else if (b == 0x7F)
      ascii = "\"<DEL>\"";
    else
      ascii = std::string("\"") + static_cast<char>(b) + "\"";
    std::snprintf(row, sizeof row, "%i,0x%02X,", b, b);
    expected += row + ascii + ",O,0.000000\r\n";
  }
  EXPECT_EQ(csv, expected);
  for (int b = 0; b < 32; ++b) EXPECT_STREQ(CsvControlName(static_cast<UCHAR>(b)), names[b]);
  EXPECT_STREQ(CsvControlName(127), "<DEL>");
  EXPECT_EQ(CsvControlName(' '), nullptr);
  EXPECT_EQ(CsvControlName(0x81), nullptr);
}

TEST(Csv, TimeIsSecondsPlusTenThousandthsPrintedLikePercentF) {
  EXPECT_EQ(CsvTimeText(12, 3456), "12.345600");
  EXPECT_EQ(CsvTimeText(0, 0), "0.000000");
  EXPECT_EQ(CsvTimeText(0, 10000), "1.000000");
  EXPECT_EQ(CsvTimeText(0xFFFFFFFFu, 0xFFFFFFFFu), "4295396791.729500");
  // Same text as the C runtime's "%f" of the double sum, over the whole range of both words.
  ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
  std::mt19937 random(11);
  std::uniform_int_distribution<ULONG> word(0, 0xFFFFFFFF);
  char text[64];
  for (int i = 0; i < 200000; ++i) {
    ULONG seconds = (i % 4 == 0) ? word(random) % 100000 : word(random);
    ULONG fraction = (i % 3 == 0) ? word(random) % 20000 : word(random);
    std::snprintf(text, sizeof text, "%f", static_cast<double>(seconds) + static_cast<double>(fraction) * 0.0001);
    ASSERT_EQ(CsvTimeText(seconds, fraction), text) << seconds << " " << fraction;
  }
}

TEST(Csv, NumbersKeepAPointWhateverTheLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr)
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  CORUData store;
  LinkFields(store).captureBuffer.Add(CCaptBuf('A', 0, 3456, 12));
  const std::string csv = CsvOf(store);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(csv, kHeader + "0,0x41,\"A\",O,12.345600\r\n");
}

TEST(Csv, ASynchronousEventExportsDeStuffedBytesOnlyWhenBitStuffedIsOn) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.captureBuffer.Add(CCaptBuf('Z', 0x80, 0, 7));  // an async byte before the sync event
  fields.captureHeaders.Add(MakeEvent(0, 1, 0, "ASYNC"));
  const std::vector<UCHAR> line = StuffedFrame({0x41, 0x1F, 0x7E});
  fields.captureHeaders.Add(MakeEvent(1, static_cast<LONG>(line.size()), EVENT_SYNC, "SYNC"));
  for (std::size_t k = 0; k < line.size(); ++k)
    fields.captureBuffer.Add(CCaptBuf(line[k], 0x80, static_cast<ULONG>(k), 8));

  fields.sysCfg.bitStuffed = 1;
  const std::string destuffed = CsvOf(store);
  // The records that complete a payload byte: found with an independent de-stuffer pass.
  CHDLCProcessor check;
  std::string expected = kHeader + "EVENT #1:  03/05/24 07:08:09 ASYNC  1 bytes\n" + "0,0x5A,\"Z\",A,7.000000\r\n" +
                         "EVENT #2:  03/05/24 07:08:09 SYNC  " + std::to_string(line.size()) + " bytes\n";
  int sequence = 0;
  const char* rows[] = {"0,0x41,\"A\",A,8.000", "1,0x1F,\"<US>\",A,8.000", "2,0x7E,\"~\",A,8.000"};
  for (std::size_t k = 0; k < line.size(); ++k) {
    if (check.Feed(line[k]) == HDLC_BYTE_READY) {
      char time[16];
      std::snprintf(time, sizeof time, "%u00\r\n", static_cast<unsigned>(k));
      expected += std::string(rows[sequence++]) + time;
    }
  }
  ASSERT_EQ(sequence, 3);
  EXPECT_EQ(destuffed, expected);

  fields.sysCfg.bitStuffed = 0;
  const std::string raw = CsvOf(store);
  int rowsCount = 0;
  for (char c : raw) rowsCount += c == '\r';
  EXPECT_EQ(rowsCount, 1 + 1 + static_cast<int>(line.size()));
  EXPECT_NE(raw.find("\n1,0x7E,\"~\",A,8.000000\r\n"), std::string::npos);
}

TEST(Csv, DeStuffedRowsAreNumberedAsTheLayoutNumbersThemWithMarkerCells) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.showModemEvents = 1;
  fields.sysCfg.bitStuffed = 1;
  const std::vector<UCHAR> line = StuffedFrame({0x30, 0x31});
  fields.captureHeaders.Add(MakeEvent(0, 0, EVENT_SYNC));
  fields.captureBuffer.Add(CCaptBuf(line[0], 0x80, 0, 0));
  CCaptBuf opening(0x6C, CAPT_MODEM_EVENT, 0, 0);
  opening.markerShown = 1;
  CCaptBuf closing(0x5B, CAPT_MODEM_EVENT, 0, 0);
  closing.hidden = 1;
  fields.captureBuffer.Add(opening);
  fields.captureBuffer.Add(closing);
  for (std::size_t k = 1; k < line.size(); ++k) fields.captureBuffer.Add(CCaptBuf(line[k], 0x80, 0, 0));
  const std::string csv = CsvOf(store);
  // The marker cell takes number 0, so the two de-stuffed bytes are 1 and 2.
  EXPECT_NE(csv.find("\n1,0x30,\"0\",A,0.000000\r\n2,0x31,\"1\",A,0.000000\r\n"), std::string::npos) << csv;
  fields.showModemEvents = 0;
  EXPECT_NE(CsvOf(store).find("\n0,0x30,\"0\",A,0.000000\r\n1,0x31,\"1\",A,0.000000\r\n"), std::string::npos);
}

TEST(Csv, TheExportLeavesTheViewsDeStuffersAndRecordsAlone) {
  CORUData store;
  auto& fields = LinkFields(store);
  fields.sysCfg.bitStuffed = 1;
  fields.captureHeaders.Add(MakeEvent(0, 3, EVENT_SYNC));
  for (UCHAR b : StuffedFrame({0x55})) fields.captureBuffer.Add(CCaptBuf(b, 0x80, 0, 0));
  fields.hdlcProcessor1.Feed(0x12);
  CsvOf(store);
  EXPECT_EQ(fields.hdlcProcessor1.lastInput, 0x12);
  for (const CCaptBuf& record : fields.captureBuffer) EXPECT_EQ(record.hdlcResult, 0);
}

TEST(Csv, WritesAFileAndReportsOneThatCannotBeCreated) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("link-csv-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  CORUData store;
  LinkFields(store).captureBuffer.Add(CCaptBuf('A', 0, 3456, 12));
  const std::string path = (dir / "run1.csv").string();
  ASSERT_EQ(ExportCsvFile(path, store), FileStatus::Ok);
  EXPECT_EQ(std::filesystem::file_size(path), CsvOf(store).size());
  EXPECT_EQ(ExportCsvFile((dir / "missing" / "x.csv").string(), store), FileStatus::ExportFailed);
  EXPECT_STREQ(FileStatusText(FileStatus::ExportFailed), "Unable to save file");
  std::filesystem::remove_all(dir);
}
