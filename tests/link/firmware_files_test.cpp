#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/worker/FirmwareDownload.h"
#include "link/protocol/FirmwareVersion.h"
#include "link/protocol/SRecordFile.h"
#include "link/protocol/SRecordLine.h"

namespace {

TEST(FirmwareVersion, NumbersAreReadAfterTheCapitalV) {
  EXPECT_EQ(ParseFirmwareVersion("V 1.0.8"), (FirmwareVersionNumbers{1, 0, 8}));
  EXPECT_EQ(ParseFirmwareVersion("ORU V 2.13.4 beta"), (FirmwareVersionNumbers{2, 13, 4}));
  EXPECT_EQ(ParseFirmwareVersion("v 1.0.8"), (FirmwareVersionNumbers{}));
  EXPECT_EQ(ParseFirmwareVersion("V 1"), (FirmwareVersionNumbers{}));
  EXPECT_EQ(ParseFirmwareVersion("V 3.5"), (FirmwareVersionNumbers{3, 0, 0}));
  EXPECT_EQ(ParseFirmwareVersion("V x.1.2"), (FirmwareVersionNumbers{0, 1, 2}));
  EXPECT_EQ(ParseFirmwareVersion("V 1.0.99999999999999"), (FirmwareVersionNumbers{1, 0, 1'000'000'000}));
}

TEST(FirmwareVersion, FeaturesNeedOneDotZeroDotEightComparedInOrder) {
  EXPECT_TRUE(FirmwareIsNewEnough("V 1.0.8"));
  EXPECT_FALSE(FirmwareIsNewEnough("V 1.0.7"));
  EXPECT_TRUE(FirmwareIsNewEnough("V 1.0.12"));
  EXPECT_TRUE(FirmwareIsNewEnough("V 2.0.0"));
  EXPECT_TRUE(FirmwareIsNewEnough("V 1.1.0"));
  EXPECT_FALSE(FirmwareIsNewEnough("V 0.9.9"));
  EXPECT_FALSE(FirmwareIsNewEnough("1.0.8"));
}

TEST(SRecordAddress, TheRecordTypesRule) {
  bool needsReply = false;
  EXPECT_EQ(SRecordAddress("S2140FBFF0AABBCCDD\r\n", needsReply), 0x0FBFF0u + 0x14u);
  EXPECT_TRUE(needsReply);
  EXPECT_EQ(SRecordAddress("S804000000FB\r\n", needsReply), 0u);
  EXPECT_FALSE(needsReply);
  EXPECT_EQ(SRecordAddress("S00F1234484452\r\n", needsReply), 0x1234u);
  EXPECT_TRUE(needsReply);
  needsReply = false;
  EXPECT_EQ(SRecordAddress("S1130000AA\r\n", needsReply), 0u);
  EXPECT_FALSE(needsReply);  // other types leave the flag
  needsReply = true;
  EXPECT_EQ(SRecordAddress("\r\n", needsReply), 0u);
  EXPECT_TRUE(needsReply);
  EXPECT_EQ(SRecordAddress("S2", needsReply), 0u);  // cut short: missing digits are 0
  EXPECT_GE(SRecordAddress("S2FFFFFFFF", needsReply), kFirmwareAddressLimit);
}

TEST(FirmwareRecordAccepted, OnlyTheThreeLoaderPhases) {
  EXPECT_TRUE(FirmwareRecordAccepted("da:0:0"));
  EXPECT_TRUE(FirmwareRecordAccepted("da:2:1"));
  EXPECT_TRUE(FirmwareRecordAccepted("da:8:3"));
  EXPECT_FALSE(FirmwareRecordAccepted("da:e:1"));
  EXPECT_FALSE(FirmwareRecordAccepted("da:2:1x"));
  EXPECT_FALSE(FirmwareRecordAccepted(""));
}

class SRecordFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  struct Read {
    std::vector<std::string> lines;
    bool tooLong = false;
    std::string rest;
  };
  Read ReadAll(const std::string& bytes) {
    SRecordFile file;
    EXPECT_TRUE(file.Open(Write(bytes)));
    EXPECT_EQ(file.Length(), static_cast<long>(bytes.size()));
    Read read;
    for (;;) {
      const auto step = file.Next();
      if (step == SRecordFile::Step::Line) read.lines.push_back(file.Line());
      if (step == SRecordFile::Step::TooLong) {
        read.tooLong = true;
        break;
      }
      if (step == SRecordFile::Step::End) {
        read.rest = file.Line();
        break;
      }
    }
    return read;
  }
  void TearDown() override { std::filesystem::remove(path); }

  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      (std::string("srecord_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
       std::to_string(::getpid()) + ".mot");
};

TEST_F(SRecordFileTest, LinesEndAtCrLfInEitherOrderAndKeepTheirEnd) {
  const Read read = ReadAll("S0AB\r\nS2CD\n\rS8EF");
  ASSERT_EQ(read.lines.size(), 2u);
  EXPECT_EQ(read.lines[0], "S0AB\r\n");
  EXPECT_EQ(read.lines[1], "S2CD\n\r");
  EXPECT_EQ(read.rest, "S8EF");
  EXPECT_FALSE(read.tooLong);
}

TEST_F(SRecordFileTest, ALineLongerThanTheBufferIsReported) {
  EXPECT_TRUE(ReadAll(std::string(300, 'A')).tooLong);
  EXPECT_TRUE(ReadAll("S0\nS2\nS8\n" + std::string(260, '0')).tooLong);  // the lines before it end at their LF
  const Read fits = ReadAll(std::string(253, 'B') + "\r\n");
  EXPECT_FALSE(fits.tooLong);
  ASSERT_EQ(fits.lines.size(), 1u);
  EXPECT_EQ(fits.lines[0].size(), 255u);
}

TEST_F(SRecordFileTest, AnEmptyFileEndsAtOnce) {
  const Read read = ReadAll("");
  EXPECT_TRUE(read.lines.empty());
  EXPECT_TRUE(read.rest.empty());
}

}  // namespace
