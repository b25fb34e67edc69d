// SetupCopyOEMInfA into a machine's driver store on a root folder: names, byte copies, the copy
// styles and the inputs that fail.

#include <gtest/gtest.h>

#include "platform/setup/SetupApi.h"
#include "platform/win32/LastError.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;

class DriverStore : public testing::Test {
 protected:
  // Copies `source` with `style`; the stored path, or "" with `error` set.
  std::string copy(const fs::path& source, DWORD style, DWORD* error = nullptr) {
    char destination[MAX_PATH] = "";
    DWORD required = 0;
    char* component = nullptr;
    if (!SetupCopyOEMInfA(source.c_str(), nullptr, SPOST_PATH, style, destination, MAX_PATH, &required, &component)) {
      if (error) *error = GetLastError();
      return "";
    }
    EXPECT_EQ(required, std::string(destination).size() + 1);
    EXPECT_EQ(fs::path(destination).filename().string(), component);
    return destination;
  }
  std::vector<std::string> storeFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(rig.root() / "INF")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  SetupRig rig;
  TempDir sources;
};

TEST_F(DriverStore, CopiesNameTheLowestFreeNumberAndIdenticalInfsAreFound) {
  std::string first = copy(SourceInf(), 0);
  EXPECT_EQ(first, (rig.root() / "INF" / "oem0.inf").string());
  EXPECT_EQ(ReadBytes(first), ReadBytes(SourceInf()));
  EXPECT_EQ(fs::status(rig.root()).permissions() & fs::perms::all, fs::perms::owner_all);

  // The same bytes again: the same package, no new file, under either style.
  EXPECT_EQ(copy(SourceInf(), 0), first);
  EXPECT_EQ(copy(SourceInf(), SP_COPY_REPLACEONLY), first);
  EXPECT_EQ(storeFiles(), std::vector<std::string>{"oem0.inf"});

  // A changed INF, whatever its own name, is a new package under the store's name.
  fs::path changed = sources.path() / "ORUpc.inf";
  WriteBytes(changed, ReadBytes(SourceInf()) + "; changed\n");
  EXPECT_EQ(copy(changed, 0), (rig.root() / "INF" / "oem1.inf").string());
  EXPECT_EQ(storeFiles(), (std::vector<std::string>{"oem0.inf", "oem1.inf"}));
  EXPECT_EQ(ReadBytes(rig.root() / "INF" / "oem1.inf"), ReadBytes(changed));
  // Only INFs go in: not the catalogue or the driver file the INF names.
  EXPECT_FALSE(fs::exists(rig.root() / "INF" / "ORUpc.cat"));
  EXPECT_FALSE(fs::exists(rig.root() / "ORUpc.sys"));
}

TEST_F(DriverStore, FailuresLeaveTheStoreAsItWas) {
  fs::path fresh = sources.path() / "fresh.inf";
  WriteBytes(fresh, ReadBytes(SourceInf()) + "; not stored yet\n");
  fs::path noVersion = sources.path() / "bad.inf";
  WriteBytes(noVersion, "[Manufacturer]\nX=Y\n");
  fs::path garbage = sources.path() / "garbage.inf";
  WriteBytes(garbage, std::string("\x00\x01\x02[", 4));
  struct Case {
    fs::path path;
    DWORD style;
    DWORD error;
  };
  for (const Case& c :
       {Case{fresh, SP_COPY_REPLACEONLY, ERROR_FILE_NOT_FOUND},
        Case{sources.path() / "missing.inf", 0, ERROR_FILE_NOT_FOUND}, Case{noVersion, 0, ERROR_INVALID_DATA},
        Case{garbage, 0, ERROR_INVALID_DATA}, Case{sources.path(), 0, ERROR_ACCESS_DENIED}}) {
    DWORD error = 0;
    EXPECT_EQ(copy(c.path, c.style, &error), "") << c.path;
    EXPECT_EQ(error, c.error) << c.path;
  }
  EXPECT_TRUE(storeFiles().empty());
}

TEST_F(DriverStore, ASmallDestinationGetsTheSizeNeeded) {
  char small[8];
  DWORD required = 0;
  EXPECT_FALSE(SetupCopyOEMInfA(SourceInf().c_str(), nullptr, SPOST_PATH, 0, small, sizeof small, &required, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(required, (rig.root() / "INF" / "oem0.inf").string().size() + 1);
}

}  // namespace
}  // namespace setuptest
