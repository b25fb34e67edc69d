#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/store/ArchiveStrings.h"
#include "link/store/CrtRandom.h"

TEST(CrtRandom, SeedOneGivesTheCRuntimeSequence) {
  CrtRandom stream(1);
  EXPECT_EQ(stream.Next(), 41u);
  EXPECT_EQ(stream.Next(), 18467u);
  EXPECT_EQ(stream.Next(), 6334u);
  EXPECT_EQ(stream.Next(), 26500u);
}

TEST(CrtRandom, CaptureFileSeedGivesItsStream) {
  CrtRandom stream(CAPTURE_FILE_SEED);
  for (ULONG expected : {12260u, 27902u, 17198u, 32214u, 9512u, 15489u, 21753u, 7350u})
    EXPECT_EQ(stream.Next(), expected);
  stream.Seed(CAPTURE_FILE_SEED);
  EXPECT_EQ(stream.Next(), 12260u);
}

TEST(CrtRandom, DrawsStayBelow32768) {
  CrtRandom stream(123);
  for (int i = 0; i < 100000; ++i) ASSERT_LE(stream.Next(), 0x7FFFu);
}

namespace {

std::vector<UCHAR> Written(void (*write)(ByteWriter&, std::string_view), const std::string& text) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  write(out, text);
  out.Flush();
  return bytes;
}

}  // namespace

TEST(ByteWriter, WritesLittleEndianAcrossBufferBoundaries) {
  std::vector<UCHAR> bytes;
  MemorySink sink(bytes);
  ByteWriter out(sink);
  out.Bytes(std::string(ByteWriter::kBufferSize - 1, 'x').data(), ByteWriter::kBufferSize - 1);
  out.UInt32(0x11223344);
  out.Int32(-2);
  out.UInt16(0xA1B2);
  out.Double(1.5);
  ASSERT_TRUE(out.Flush());
  ASSERT_EQ(bytes.size(), ByteWriter::kBufferSize - 1 + 4 + 4 + 2 + 8);
  const UCHAR* tail = bytes.data() + ByteWriter::kBufferSize - 1;
  EXPECT_EQ(std::vector<UCHAR>(tail, tail + 10),
            (std::vector<UCHAR>{0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF, 0xB2, 0xA1}));
  EXPECT_EQ(std::vector<UCHAR>(tail + 10, tail + 18), (std::vector<UCHAR>{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));

  MemorySource source(bytes);
  ByteReader in(source);
  std::string skipped;
  ASSERT_TRUE(in.Text(skipped, ByteWriter::kBufferSize - 1));
  ULONG u = 0;
  LONG s = 0;
  USHORT w = 0;
  double d = 0;
  ASSERT_TRUE(in.UInt32(u) && in.Int32(s) && in.UInt16(w) && in.Double(d));
  EXPECT_EQ(u, 0x11223344u);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(w, 0xA1B2);
  EXPECT_EQ(d, 1.5);
  EXPECT_EQ(in.Remaining(), 0u);
  UCHAR b = 0;
  EXPECT_FALSE(in.Byte(b));
}

TEST(ByteReader, AShortReadConsumesNothing) {
  const std::vector<UCHAR> bytes = {1, 2, 3};
  MemorySource source(bytes);
  ByteReader in(source);
  ULONG value = 0;
  EXPECT_FALSE(in.UInt32(value));
  EXPECT_EQ(in.Remaining(), 3u);
  std::string text;
  EXPECT_FALSE(in.Text(text, 4));
  EXPECT_TRUE(in.Text(text, 3));
  EXPECT_EQ(text, std::string("\x01\x02\x03"));
}

TEST(ByteWriter, AFailingSinkIsReportedOnce) {
  struct FullDisk : ByteSink {
    bool Write(const UCHAR*, std::size_t) override { return false; }
  } sink;
  ByteWriter out(sink);
  for (int i = 0; i < 100000; ++i) out.UInt32(static_cast<ULONG>(i));
  EXPECT_FALSE(out.Flush());
  EXPECT_TRUE(out.Failed());
}

struct PrefixCase {
  std::size_t length;
  std::vector<UCHAR> prefix;
};

class ArchiveStringPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(ArchiveStringPrefix, WritesTheClassLibraryPrefixAndReadsItBack) {
  const PrefixCase& c = GetParam();
  std::string text(c.length, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
  const std::vector<UCHAR> bytes = Written(&WriteArchiveString, text);
  ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
  EXPECT_EQ(std::vector<UCHAR>(bytes.begin(), bytes.begin() + static_cast<long>(c.prefix.size())), c.prefix);

  MemorySource source(bytes);
  ByteReader in(source);
  std::string back;
  ASSERT_TRUE(ReadArchiveString(in, back));
  EXPECT_EQ(back, text);
  EXPECT_EQ(in.Remaining(), 0u);

  // Any shorter file fails, reading nothing past its end.
  for (std::size_t cut : {std::size_t{0}, c.prefix.size() - 1, bytes.size() - 1}) {
    if (cut >= bytes.size()) continue;
    std::vector<UCHAR> truncated(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    MemorySource shortSource(truncated);
    ByteReader shortIn(shortSource);
    std::string partial;
    EXPECT_FALSE(ReadArchiveString(shortIn, partial)) << "cut at " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryForm, ArchiveStringPrefix,
                         ::testing::Values(PrefixCase{0, {0x00}}, PrefixCase{1, {0x01}}, PrefixCase{254, {0xFE}},
                                           PrefixCase{255, {0xFF, 0xFF, 0x00}}, PrefixCase{256, {0xFF, 0x00, 0x01}},
                                           PrefixCase{0xFFFD, {0xFF, 0xFD, 0xFF}},
                                           PrefixCase{0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                                           PrefixCase{0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                                           PrefixCase{0x12345, {0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00}}));

TEST(ArchiveString, HostileLengthsFailWithoutAllocating) {
  // 32-bit length far beyond the data, and the wide-string marker that is never written here.
  for (const std::vector<UCHAR>& bytes :
       {std::vector<UCHAR>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
        std::vector<UCHAR>{0xFF, 0xFE, 0xFF, 0x01, 'a'}, std::vector<UCHAR>{0x05, 'a', 'b'}}) {
    MemorySource source(bytes);
    ByteReader in(source);
    std::string text;
    EXPECT_FALSE(ReadArchiveString(in, text));
  }
}

TEST(CountedString, ReadsWithinItsLimitAndRefusesLongerOrNegative) {
  const std::vector<UCHAR> bytes = Written(&WriteCountedString, "CONNECT 14400");
  EXPECT_EQ(std::vector<UCHAR>(bytes.begin(), bytes.begin() + 4), (std::vector<UCHAR>{13, 0, 0, 0}));
  {
    MemorySource source(bytes);
    ByteReader in(source);
    std::string text;
    ASSERT_TRUE(ReadCountedString(in, text, 14));
    EXPECT_EQ(text, "CONNECT 14400");
  }
  {
    MemorySource source(bytes);
    ByteReader in(source);
    std::string text;
    EXPECT_FALSE(ReadCountedString(in, text, 12));
  }
  const std::vector<UCHAR> negative = {0xFF, 0xFF, 0xFF, 0xFF};
  MemorySource source(negative);
  ByteReader in(source);
  std::string text;
  EXPECT_FALSE(ReadCountedString(in, text, 14));
}
