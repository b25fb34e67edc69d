// The INF reader: the program's own INF, the text rules (quotes, strings, comments, continued
// lines) and the inputs it must refuse.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/machine/InfFile.h"

namespace {

using platform::InfFile;
using platform::ReadInfDriver;

std::string programInf() {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/driver/ORUpc.inf", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(InfReader, TheProgramsInfNamesTheInstrumentAndTheService) {
  std::optional<InfFile> inf = InfFile::parse(programInf());
  ASSERT_TRUE(inf);
  std::string error;
  auto driver = ReadInfDriver(*inf, &error);
  ASSERT_TRUE(driver) << error;
  EXPECT_EQ(driver->version.signature, "$Windows NT$");
  EXPECT_EQ(driver->version.className, "ORUpc");
  EXPECT_TRUE(platform::IsGuidText(driver->version.classGuid));
  EXPECT_EQ(driver->version.provider, "Pelgrave, Inc.");
  ASSERT_EQ(driver->models.size(), 1u);
  const platform::InfModel& m = driver->models[0];
  EXPECT_EQ(m.ids, std::vector<std::string>{"USB\\VID_0452&PID_0201"});
  EXPECT_EQ(m.service, "ORUpc");
  EXPECT_EQ(m.installSection, "ORUpc_Install");
  EXPECT_EQ(m.manufacturer, "Pelgrave, Inc.");
  EXPECT_EQ(m.description, "ORU14400 telephone-line instrument");
}

constexpr char kHead[] =
    "[Version]\nSignature=\"$Chicago$\"\nClass=Test\nClassGuid={12345678-1234-1234-1234-123456789abc}\n";

struct LineCase {
  const char* name;
  const char* body;  // one [S] section
  std::vector<std::string> fields;
  const char* key;
};

class InfLines : public testing::TestWithParam<LineCase> {};

TEST_P(InfLines, AreSplitAsWritten) {
  std::string text = std::string("[Strings]\nName=\"Big, \"\"Co\"\"\"\nE=\"\"\n[S]\n") + GetParam().body;
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  const auto lines = inf->section("s");
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 1u);
  EXPECT_EQ((*lines)[0].key, GetParam().key);
  EXPECT_EQ((*lines)[0].fields, GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, InfLines,
    testing::Values(LineCase{"Plain", "Key = a , b,c\n", {"a", "b", "c"}, "Key"},
                    LineCase{"Comment", "k=a ; b, c\n", {"a"}, "k"},
                    LineCase{"QuotedCommaAndSemicolon", "k=\" a, ;b \"\n", {" a, ;b "}, "k"},
                    LineCase{"EscapedQuote", "k=\"say \"\"hi\"\"\"\n", {"say \"hi\""}, "k"},
                    LineCase{"StringSubstitution", "%Name% = x,%Name%\n", {"x", "Big, \"Co\""}, "Big, \"Co\""},
                    LineCase{"UnknownStringStays", "k=%Nope%\n", {"%Nope%"}, "k"},
                    LineCase{"DoublePercent", "k=100%%\n", {"100%"}, "k"},
                    LineCase{"EmptyStringAndField", "k=%E%,,z\n", {"", "", "z"}, "k"},
                    LineCase{"Continuation", "k=a, \\\n   b\n", {"a", "b"}, "k"},
                    LineCase{"BackslashInsideAnId", "k=USB\\VID_1\\x\n", {"USB\\VID_1\\x"}, "k"},
                    LineCase{"NoKey", "file.sys\n", {"file.sys"}, ""}, LineCase{"CrLf", "k=v\r\n", {"v"}, "k"}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(InfReader, RefusesWhatIsNotAnInf) {
  const std::vector<std::string> bad = {std::string("[Version]\nSig\0nature=x\n", 22), "\xFF\xFE[\0V\0",
                                        "[Version\nA=b\n", "[S]\nk=\"open\n"};
  for (const std::string& text : bad) {
    std::string error;
    EXPECT_FALSE(InfFile::parse(text, &error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(InfReader, VersionMustNameSignatureClassAndGuid) {
  const std::vector<std::string> bad = {
      "[Manufacturer]\n",
      "[Version]\nSignature=\"$Windows 95$\"\nClass=T\nClassGuid={12345678-1234-1234-1234-123456789abc}\n",
      "[Version]\nSignature=\"$Windows NT$\"\nClassGuid={12345678-1234-1234-1234-123456789abc}\n",
      "[Version]\nSignature=\"$Windows NT$\"\nClass=T\nClassGuid=12345678-1234-1234-1234-123456789abc\n",
  };
  for (const std::string& text : bad) {
    std::optional<InfFile> inf = InfFile::parse(text);
    ASSERT_TRUE(inf);
    EXPECT_FALSE(ReadInfDriver(*inf)) << text;
  }
}

TEST(InfReader, ModelsFollowTheDecorationForThisMachine) {
  std::string text = std::string(kHead) +
                     "[Manufacturer]\nA=Plain\nB=Dec,NTx86,NTamd64.10.0\nC=Other,NTx86\n"
                     "[Plain]\nd1=I1,ID\\ONE\n"
                     "[Dec]\nd2=WRONG,ID\\UNDECORATED\n[Dec.NTamd64.10.0]\nd3=I3,ID\\THREE,ID\\COMPAT\n"
                     "[Other.NTx86]\nd4=I4,ID\\FOUR\n"
                     "[I1.Services]\nAddService=first,0,s\nAddService=main,0x2,s\n"
                     "[I3.NT.Services]\nAddService=three,2,s\n[I3.Services]\nAddService=notThis,2,s\n";
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  auto driver = ReadInfDriver(*inf);
  ASSERT_TRUE(driver);
  ASSERT_EQ(driver->models.size(), 2u);
  EXPECT_EQ(driver->models[0].ids, std::vector<std::string>{"ID\\ONE"});
  EXPECT_EQ(driver->models[0].service, "main");
  EXPECT_EQ(driver->models[1].ids, (std::vector<std::string>{"ID\\THREE", "ID\\COMPAT"}));
  EXPECT_EQ(driver->models[1].service, "three");
}

struct DecorationCase {
  const char* name;
  const char* decorations;  // the [Manufacturer] entry's targets
  const char* chosen;       // the models section's decoration, or "" for none
};

class ModelDecorations : public testing::TestWithParam<DecorationCase> {};

// Every candidate section names its own decoration as the model's id.
TEST_P(ModelDecorations, TheMostSpecificMatchWins) {
  std::string text = std::string(kHead) + "[Manufacturer]\nM=Models," + GetParam().decorations + "\n";
  for (const char* d : {"NT", "NTamd64", "NTamd64.6.1", "NTamd64.6.3", "NTamd64.10.0", "NTamd64.10.0.1",
                        "NTamd64.10.0.3", "NTamd64.10.0...19045", "NTamd64.10.0...22000", "NTamd64.11.0", "NTarm64"})
    text += std::string("[Models.") + d + "]\nd=I,ID\\" + d + "\n";
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  auto driver = ReadInfDriver(*inf);
  ASSERT_TRUE(driver);
  if (!*GetParam().chosen) {
    EXPECT_TRUE(driver->models.empty());
    return;
  }
  ASSERT_EQ(driver->models.size(), 1u);
  EXPECT_EQ(driver->models[0].ids, std::vector<std::string>{std::string("ID\\") + GetParam().chosen});
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ModelDecorations,
    testing::Values(
        DecorationCase{"VersionBeforePlain", "NTamd64,NTamd64.10.0", "NTamd64.10.0"},
        DecorationCase{"ArchitectureBeforeAny", "NT,NTamd64", "NTamd64"},
        DecorationCase{"NewestVersionNotAboveThisOne", "ntamd64.6.1,NTamd64.6.3,NTamd64.11.0", "NTamd64.6.3"},
        DecorationCase{"WorkstationOnly", "NTamd64.10.0.3,NTamd64.10.0.1", "NTamd64.10.0.1"},
        DecorationCase{"BuildNotAboveThisOne", "NTamd64.10.0...22000,NTamd64.10.0...19045", "NTamd64.10.0...19045"},
        DecorationCase{"OtherArchitectureOnly", "NTarm64", ""},
        DecorationCase{"MalformedIsNoTarget", "NTamd64.ten,NTamd64.1.2.3.4.5.6", ""}),
    [](const testing::TestParamInfo<DecorationCase>& info) { return info.param.name; });

TEST(InfReader, SectionsOfOneNameAreOneSectionInFileOrder) {
  const std::string text =
      "[Version]\nSignature=\"$Windows NT$\"\n[Manufacturer]\nM=Models,NTamd64\n"
      "[Models.NTamd64]\nd1=I,ID\\ONE\n[version]\nClass=T\nClassGuid={12345678-1234-1234-1234-123456789abc}\n"
      "[Models.ntamd64]\nd2=I,ID\\TWO\n[Strings]\nA=x\n[Strings]\nB=y\n[S]\nk=%A%,%B%\n";
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  std::string error;
  auto driver = ReadInfDriver(*inf, &error);
  ASSERT_TRUE(driver) << error;
  EXPECT_EQ(driver->version.className, "T");
  ASSERT_EQ(driver->models.size(), 2u);
  EXPECT_EQ(driver->models[1].ids, std::vector<std::string>{"ID\\TWO"});
  EXPECT_EQ(inf->section("S")->at(0).fields, (std::vector<std::string>{"x", "y"}));
}

TEST(InfReader, ValuesLongerThanThePlatformAllowsAreRefused) {
  const std::string longest(platform::kLongestInfValue, 'v');
  EXPECT_TRUE(InfFile::parse("[S]\nk=" + longest + "\n"));
  std::string error;
  EXPECT_FALSE(InfFile::parse("[S]\nk=" + longest + "v\n", &error));
  EXPECT_EQ(error, "line 2: a value longer than 4096 characters");
  // Short references to a long string add up past the limit once put in.
  const std::string half(platform::kLongestInfValue / 2, 'h');
  EXPECT_TRUE(InfFile::parse("[Strings]\nH=" + half + "\n[S]\nk=%H%%H%\n"));
  EXPECT_FALSE(InfFile::parse("[Strings]\nH=" + half + "\n[S]\nk=%H%%H%x\n", &error));
  EXPECT_NE(error.find("line 4: a value longer than 4096 characters"), std::string::npos) << error;
}

namespace bytes {

struct TextCase {
  const char* name;
  std::string written;  // the provider's bytes in the file
  std::string read;     // as the reader keeps them
};

class InfText : public testing::TestWithParam<TextCase> {};

// Whatever bytes a value holds, the reader keeps UTF-8: what is not UTF-8 is Windows-1252.
TEST_P(InfText, IsKeptAsUtf8) {
  const std::string text = std::string(kHead) + "Provider=%P%\n[Strings]\nP=\"" + GetParam().written + "\"\n";
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  auto driver = ReadInfDriver(*inf);
  ASSERT_TRUE(driver);
  EXPECT_EQ(driver->version.provider, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Bytes, InfText,
                         testing::Values(TextCase{"Ascii", "Pelgrave, Inc.", "Pelgrave, Inc."},
                                         TextCase{"RegisteredSign", "Pelgrave\xAE", "Pelgrave\xC2\xAE"},
                                         TextCase{"EuroAndQuotes", "\x80\x93x\x94",
                                                  "\xE2\x82\xAC\xE2\x80\x9Cx\xE2\x80\x9D"},
                                         TextCase{"UndefinedByteIsItsControl", "a\x81z", "a\xC2\x81z"},
                                         TextCase{"Utf8Stays", "caf\xC3\xA9 \xE2\x84\xA2", "caf\xC3\xA9 \xE2\x84\xA2"},
                                         TextCase{"StrayByteAmongUtf8", "caf\xC3\xA9\xE9", "caf\xC3\xA9\xC3\xA9"},
                                         TextCase{"TruncatedSequence", "\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},
                                         TextCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
                                         TextCase{"OverlongIsNotUtf8", "\xC0\xAF", "\xC3\x80\xC2\xAF"}),
                         [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

}  // namespace bytes

// A package's text once multiplied out: its values with their strings put in, and its models
// with the [Manufacturer] entries that name their sections.
struct BoundCase {
  const char* name;
  std::string body;     // after [Version]
  const char* refusal;  // the reason's start, or "" when the package reads
  std::size_t models;
};

std::string repeated(const std::string& line, std::size_t times) {
  std::string out;
  out.reserve(line.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += line;
  return out;
}

std::string modelLines(std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += "d=I,ID\\" + std::to_string(i) + "\n";
  return out;
}

class InfBounds : public testing::TestWithParam<BoundCase> {};

TEST_P(InfBounds, HoldWhatAPackageExpandsTo) {
  const std::string text = std::string(kHead) + GetParam().body;
  std::string error;
  std::optional<InfFile> inf = InfFile::parse(text, &error);
  std::optional<platform::InfDriver> driver = inf ? ReadInfDriver(*inf, &error) : std::nullopt;
  if (!*GetParam().refusal) {
    ASSERT_TRUE(driver) << error;
    EXPECT_EQ(driver->models.size(), GetParam().models);
    return;
  }
  EXPECT_FALSE(driver);
  EXPECT_NE(error.find(GetParam().refusal), std::string::npos) << error;
}

const std::string kLongString = "[Strings]\nx=\"" + std::string(platform::kLongestInfValue, 'y') + "\"\n[Pad]\n";
const std::string kWideLine = "d=I" + repeated("," + std::string(platform::kLongestInfValue - 8, 'w'), 1000) + "\n";

INSTANTIATE_TEST_SUITE_P(
    Packages, InfBounds,
    testing::Values(BoundCase{"ExpansionUpToTheLimit", kLongString + repeated("%x%\n", 4000), "", 0},
                    BoundCase{"ExpansionPastTheLimit", kLongString + repeated("%x%\n", 4200),
                              "line 4103: its values come to more than 16777216 characters", 0},
                    BoundCase{"ModelsUpToTheLimit",
                              "[Manufacturer]\n" + repeated("M=Models\n", 10) + "[Models]\n" + modelLines(10000), "",
                              100000},
                    BoundCase{"ModelsMultipliedOutPastTheLimit",
                              "[Manufacturer]\n" + repeated("M=Models\n", 11) + "[Models]\n" + modelLines(10000),
                              "its [Manufacturer] entries list more than 100000 models", 0},
                    BoundCase{"ModelTextsPastTheLimit",
                              "[Manufacturer]\n" + repeated("M=Models\n", 5) + "[Models]\n" + kWideLine,
                              "its models hold more than 16777216 characters", 0},
                    BoundCase{"EmptyModelSectionsCountNothing",
                              "[Manufacturer]\n" + repeated("M=Empty\n", 200000) + "[Empty]\n", "", 0}),
    [](const testing::TestParamInfo<BoundCase>& info) { return info.param.name; });

TEST(InfReader, InstallSectionsDifferingInCaseShareTheirServices) {
  std::string text = std::string(kHead) + "[Manufacturer]\nM=Models\n[Models]\n";
  const std::vector<std::string> spellings = {"Inst", "INST", "inst", "iNsT"};
  for (std::size_t i = 0; i < spellings.size(); ++i) text += "d=" + spellings[i] + ",ID\\" + std::to_string(i) + "\n";
  text += "[inst.Services]\nAddService=other,0,s\nAddService=main,2,s\n";
  std::optional<InfFile> inf = InfFile::parse(text);
  ASSERT_TRUE(inf);
  auto driver = ReadInfDriver(*inf);
  ASSERT_TRUE(driver);
  ASSERT_EQ(driver->models.size(), spellings.size());
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    EXPECT_EQ(driver->models[i].installSection, spellings[i]);
    EXPECT_EQ(driver->models[i].service, "main");
  }
}

}  // namespace
