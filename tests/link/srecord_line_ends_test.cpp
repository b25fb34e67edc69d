// The firmware file reader's line ends: CR LF and LF CR pairs stay as the file has them, a lone
// LF ends a line too and the line is sent with CR LF, and progress counts the file's own bytes.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/protocol/SRecordFile.h"

namespace {

struct Read {
  std::vector<std::string> lines;
  std::vector<std::size_t> fileBytes;
  bool tooLong = false;
  std::string rest;
};

Read ReadAll(std::string bytes) {
  SRecordFile file;
  EXPECT_TRUE(file.Open(fmemopen(bytes.data(), bytes.size(), "rb")));
  EXPECT_EQ(file.Length(), static_cast<long>(bytes.size()));
  Read read;
  for (;;) {
    const SRecordFile::Step step = file.Next();
    if (step == SRecordFile::Step::Line) {
      read.lines.push_back(file.Line());
      read.fileBytes.push_back(file.LineFileBytes());
    } else if (step == SRecordFile::Step::TooLong) {
      read.tooLong = true;
      return read;
    } else if (step == SRecordFile::Step::End) {
      read.rest = file.Line();
      return read;
    }
  }
}

struct Ends {
  const char* name;
  std::string file;                // the file's bytes
  std::vector<std::string> lines;  // as sent
  std::vector<std::size_t> fileBytes;
  std::string rest;
};

class LineEnds : public ::testing::TestWithParam<Ends> {};

TEST_P(LineEnds, LinesAndTheirBytesInTheFile) {
  const Ends& e = GetParam();
  const Read read = ReadAll(e.file);
  EXPECT_FALSE(read.tooLong);
  EXPECT_EQ(read.lines, e.lines);
  EXPECT_EQ(read.fileBytes, e.fileBytes);
  EXPECT_EQ(read.rest, e.rest);
  std::size_t total = read.rest.size();
  for (std::size_t n : read.fileBytes) total += n;
  EXPECT_EQ(total, e.file.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineEnds,
    ::testing::Values(
        Ends{"CrLf", "S0AB\r\nS2CD\r\n", {"S0AB\r\n", "S2CD\r\n"}, {6, 6}, ""},
        Ends{"LfCr", "S0AB\n\rS2CD\n\r", {"S0AB\n\r", "S2CD\n\r"}, {6, 6}, ""},
        Ends{"Lf", "S0AB\nS2CD\nS8EF", {"S0AB\r\n", "S2CD\r\n"}, {5, 5}, "S8EF"},
        Ends{"Mixed", "S0AB\nS2CD\r\nS2EF\n\rS8\n", {"S0AB\r\n", "S2CD\r\n", "S2EF\n\r", "S8\r\n"}, {5, 6, 6, 3}, ""},
        Ends{"LoneCrStaysInTheLine", "S0\rAB\r\n", {"S0\rAB\r\n"}, {7}, ""},
        Ends{"LfThenCrLf", "S0\n\r\nS2\n", {"S0\n\r", "\r\n", "S2\r\n"}, {4, 1, 3}, ""}),
    [](const ::testing::TestParamInfo<Ends>& info) { return std::string(info.param.name); });

// The line buffer holds 255 bytes as sent: 253 characters and a two-byte end, whichever end the
// file has.
class LineCapacity : public ::testing::TestWithParam<const char*> {};

TEST_P(LineCapacity, TheLongestLineFitsAndOneMoreCharacterDoesNot) {
  const std::string end = GetParam();
  const Read fits = ReadAll(std::string(253, 'A') + end + "S8\r\n");
  ASSERT_FALSE(fits.tooLong);
  ASSERT_EQ(fits.lines.size(), 2u);
  EXPECT_EQ(fits.lines[0].size(), SRecordFile::kLineCapacity);
  EXPECT_EQ(fits.fileBytes[0], 253 + end.size());
  EXPECT_TRUE(ReadAll(std::string(254, 'A') + end + "S8\r\n").tooLong);
}

INSTANTIATE_TEST_SUITE_P(Ends, LineCapacity, ::testing::Values("\r\n", "\n\r", "\n"));

}  // namespace
