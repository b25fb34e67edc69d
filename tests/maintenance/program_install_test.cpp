// The real program's installation run: no display, HOME and the XDG folders in a fresh
// temporary folder, after the program's own machine ran there once with the instrument plugged.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>

#include "app/SimulatedSystem.h"
#include "tests/platform/setup/SetupRig.h"

extern char** environ;

namespace setuptest {
namespace {

namespace fs = std::filesystem;

constexpr char kInstrument[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";

struct ProgramRun {
  int status = -1;
  std::string out, err;
};

// What the program's start (in-process) made of the root.
struct ProgramStart {
  bool persistent = false;
  bool instrumentStarted = false;
  std::string err;
};

std::size_t lineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ProgramInstall : public testing::Test {
 protected:
  void SetUp() override {
    home = dir.path() / "home";
    data = dir.path() / "xdg-data";
    root = data / "quorlan-view" / "machine";
    fs::create_directories(home);
    fs::create_directories(dir.path() / "tmp");
    env = {{"HOME", home.string()},
           {"XDG_DATA_HOME", data.string()},
           {"XDG_CONFIG_HOME", (dir.path() / "xdg-config").string()},
           {"XDG_CACHE_HOME", (dir.path() / "xdg-cache").string()},
           {"XDG_STATE_HOME", (dir.path() / "xdg-state").string()},
           {"TMPDIR", (dir.path() / "tmp").string()},
           {"PATH", "/usr/bin:/bin"}};
    // The program's first start on that root, with the instrument attached.
    ProgramStart first = start();
    ASSERT_TRUE(first.instrumentStarted);
    ASSERT_TRUE(first.persistent) << first.err;
    ASSERT_TRUE(fs::exists(root / "machine.json"));
  }

  // The program's start in-process, in the fixture's environment: its machine, its own INF and
  // the instrument plugged in.
  ProgramStart start() {
    std::map<std::string, std::optional<std::string>> saved;
    for (const auto& [name, value] : env) {
      const char* was = std::getenv(name.c_str());
      saved[name] = was ? std::optional<std::string>(was) : std::nullopt;
    }
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    ::unsetenv("QUORLAN_MACHINE_ROOT");
    ProgramStart r;
    testing::internal::CaptureStderr();
    {
      SimulatedSystem system;
      r.persistent = system.machine().setupStatePersistent();
      r.instrumentStarted = system.instrumentPort() != 0 &&
                            system.machine().device(system.instrumentPort()).state == nt::DevNodeState::Started;
      EXPECT_TRUE(system.shutdown().empty());
    }
    r.err = testing::internal::GetCapturedStderr();
    for (const auto& [name, value] : saved) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
    return r;
  }

  ProgramRun program(const std::vector<std::string>& arguments) {
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = QV_PROGRAM_PATH;
    argv.push_back(path.data());
    std::vector<std::string> args = arguments;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const fs::path outFile = dir.path() / "out.txt", errFile = dir.path() / "err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ProgramRun r;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
      int status = 0;
      if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = ReadBytes(outFile);
    r.err = ReadBytes(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return r;
  }

  // Every file and folder outside the root, with its size and change time.
  std::map<std::string, std::string> outsideRoot() {
    std::map<std::string, std::string> seen;
    for (auto it = fs::recursive_directory_iterator(dir.path()); it != fs::recursive_directory_iterator(); ++it) {
      if (it->path() == root) {
        it.disable_recursion_pending();
        continue;
      }
      std::error_code ec;
      auto when = fs::last_write_time(it->path(), ec).time_since_epoch().count();
      seen[it->path().string()] =
          std::to_string(it->is_regular_file() ? it->file_size() : 0) + "@" + std::to_string(when);
    }
    return seen;
  }

  TempDir dir;
  fs::path home, data, root;
  std::map<std::string, std::string> env;
};

TEST_F(ProgramInstall, ThirtyTwoRemovesTheInstrumentAndStoresTheInfWithoutTouchingTheHost) {
  const auto before = outsideRoot();
  const fs::path inf = fs::absolute(SourceInf());
  const auto started = std::chrono::steady_clock::now();
  ProgramRun r = program({"/InstallDriver32", inf.string()});
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  char line[128];
  std::snprintf(line, sizeof line, "%-60s: %s\n", kInstrument, "Removed");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(line) + "1 device(s) removed.\n");
  EXPECT_EQ(r.err, "");
  std::vector<std::string> store;
  for (const auto& e : fs::directory_iterator(root / "INF")) store.push_back(e.path().filename().string());
  EXPECT_EQ(store, std::vector<std::string>{"oem0.inf"});
  EXPECT_EQ(ReadBytes(root / "INF" / "oem0.inf"), ReadBytes(inf));
  EXPECT_FALSE(fs::exists(dir.path() / "xdg-config"));  // no settings were written
  EXPECT_EQ(outsideRoot(), before);
  RecordProperty("install_run_ms", static_cast<int>(took.count()));
}

TEST_F(ProgramInstall, AMissingInfExitsTwoAndBothSwitchesRunTheThirtyTwoBitOperation) {
  const fs::path missing = dir.path() / "missing.inf";
  ProgramRun r = program({"/InstallDriver64", missing.string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, missing.string() + ": The file was not found.\n");

  ProgramRun both = program({"/InstallDriver64", "/InstallDriver32", fs::absolute(SourceInf()).string()});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_NE(both.out.find("1 device(s) removed."), std::string::npos) << both.out;
}

// A member nested 100,000 deep inside a device record.
std::string deepState() {
  constexpr int kDepth = 100000;
  return "{\"version\": 1, \"devices\": [{\"instanceId\": \"ROOT\\\\X\\\\0000\", \"friendlyName\": " +
         std::string(kDepth, '[') + std::string(kDepth, ']') + "}]}\n";
}

TEST_F(ProgramInstall, ADeepStateStartsOnAFreshStateWithOneMessageAndFailsAnInstallRun) {
  WriteBytes(root / "machine.json", deepState());
  ProgramStart s = start();
  EXPECT_FALSE(s.persistent);
  EXPECT_TRUE(s.instrumentStarted);
  EXPECT_EQ(lineCount(s.err), 1u) << s.err;
  EXPECT_NE(s.err.find((root / "machine.json").string()), std::string::npos) << s.err;
  EXPECT_NE(s.err.find("nested deeper than"), std::string::npos) << s.err;
  EXPECT_EQ(ReadBytes(root / "machine.json"), deepState());  // left as it is

  ProgramRun r = program({"/InstallDriver64", fs::absolute(SourceInf()).string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(lineCount(r.err), 1u) << r.err;
  EXPECT_NE(r.err.find("nested deeper than"), std::string::npos) << r.err;
}

TEST_F(ProgramInstall, ARootThatIsAFileIsNotAFolderAndNoPlantedLinkIsFollowed) {
  fs::remove_all(root);
  WriteBytes(root, "not a folder\n");
  // Links planted where a temporary copy of the program's INF once went.
  const fs::path victim = dir.path() / "victim";
  WriteBytes(victim, "keep\n");
  for (const fs::path& folder : {dir.path() / "tmp", fs::temp_directory_path()})
    fs::create_symlink(victim, folder / (".ORUpc." + std::to_string(::getpid()) + ".inf"));
  ProgramStart s = start();
  for (const fs::path& folder : {dir.path() / "tmp", fs::temp_directory_path()})
    fs::remove(folder / (".ORUpc." + std::to_string(::getpid()) + ".inf"));
  EXPECT_EQ(ReadBytes(victim), "keep\n");
  EXPECT_FALSE(s.persistent);
  EXPECT_TRUE(s.instrumentStarted);  // bound from the program's INF, kept in memory
  EXPECT_EQ(s.err, "quorlan-view: " + root.string() + " is not a folder; running on a fresh state that is not saved\n");

  ProgramRun r = program({"/InstallDriver64", fs::absolute(SourceInf()).string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(lineCount(r.err), 1u) << r.err;
  EXPECT_NE(r.err.find(root.string() + " is not a folder"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(root), "not a folder\n");
}

// The program's INF with one text replaced.
std::string programInfWith(const std::string& from, const std::string& to) {
  std::string text = ReadBytes(SourceInf());
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string repeated(const std::string& line, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += line;
  return out;
}

constexpr char kHostileHead[] =
    "[Version]\nSignature=\"$Windows NT$\"\nClass=ORUpc\nClassGuid={B979AFCD-77CA-451E-931A-2ADABC8521F2}\n"
    "DriverVer=01/15/2027,1.1.0.0\n";

// A package of 17 KB whose values expand to 17 MB: 4200 lines naming a string of 4096 characters.
std::string expandingPackage() {
  return std::string(kHostileHead) + "[Strings]\nx=\"" + std::string(4096, 'y') + "\"\n[Pad]\n" +
         repeated("%x%\n", 4200);
}

struct Windows1252Case {
  const char* name;
  std::string package;   // holds 0xAE
  const char* recorded;  // in machine.json, as UTF-8
  const char* boundTo;   // the instrument's package
};

class ProgramInstallText : public ProgramInstall, public testing::WithParamInterface<Windows1252Case> {};

// The byte installs, every later start binds and its state writes and reads back.
TEST_P(ProgramInstallText, AWindows1252ByteInstallsAndEveryLaterStartKeepsItAsUtf8) {
  const fs::path inf = dir.path() / "cp1252.inf";
  WriteBytes(inf, GetParam().package);
  ProgramRun r = program({"/InstallDriver32", inf.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (int run = 0; run < 2; ++run) {
    ProgramStart s = start();
    EXPECT_TRUE(s.persistent) << s.err;
    EXPECT_TRUE(s.instrumentStarted);
    EXPECT_EQ(s.err, "");
  }
  const std::string state = ReadBytes(root / "machine.json");
  EXPECT_NE(state.find(GetParam().recorded), std::string::npos) << state;
  EXPECT_NE(state.find(std::string("\"InfPath\": \"") + GetParam().boundTo + "\""), std::string::npos) << state;
}

// A newer package whose provider is "Pelgrave® Inc." in Windows-1252.
std::string newerProviderPackage() {
  std::string text = programInfWith("DriverVer   = 12/09/2026,1.0.0.0", "DriverVer   = 01/15/2027,1.1.0.0");
  return text.replace(text.find("\"Pelgrave, Inc.\""), 16, "\"Pelgrave\xAE Inc.\"");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProgramInstallText,
    testing::Values(Windows1252Case{"Provider", newerProviderPackage(), "\"ProviderName\": \"Pelgrave\xC2\xAE Inc.\"",
                                    "oem1.inf"},
                    Windows1252Case{"ClassName", programInfWith("Class       = ORUpc\n", "Class       = ORUpc\xAE\n"),
                                    "\"name\": \"ORUpc\xC2\xAE\"", "oem0.inf"}),
    [](const testing::TestParamInfo<Windows1252Case>& info) { return info.param.name; });

struct HostileCase {
  const char* name;
  std::string package;
  const char* reason;
};

class ProgramInstallHostile : public ProgramInstall, public testing::WithParamInterface<HostileCase> {};

TEST_P(ProgramInstallHostile, IsRefusedWithItsReasonAndLeavesNothingBehind) {
  const std::string state = ReadBytes(root / "machine.json");
  const fs::path inf = dir.path() / "hostile.inf";
  WriteBytes(inf, GetParam().package);
  ProgramRun r = program({"/InstallDriver64", inf.string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, inf.string() + ": The data is not valid: " + GetParam().reason + "\n");
  std::vector<std::string> store;
  for (const auto& e : fs::directory_iterator(root / "INF")) store.push_back(e.path().filename().string());
  EXPECT_EQ(store, std::vector<std::string>{"oem0.inf"});
  EXPECT_EQ(ReadBytes(root / "machine.json"), state);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, ProgramInstallHostile,
    testing::Values(
        HostileCase{"Expansion", expandingPackage(),
                    "line 4104: its values come to more than 16777216 characters once their strings are put in"},
        HostileCase{"ModelsMultipliedOut",
                    std::string(kHostileHead) + "[Manufacturer]\n" + repeated("M=Models\n", 5000) + "[Models]\n" +
                        repeated("d=I,USB\\VID_0452&PID_0201\n", 21),
                    "its [Manufacturer] entries list more than 100000 models"}),
    [](const testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

// An older build stored such a package: every start reads the rest of the store and says once
// which package it skips.
TEST_F(ProgramInstall, APackageAnOlderBuildStoredIsSkippedWithOneMessage) {
  WriteBytes(root / "INF" / "oem1.inf", expandingPackage());
  ProgramStart s = start();
  EXPECT_TRUE(s.persistent);
  EXPECT_TRUE(s.instrumentStarted);
  EXPECT_EQ(s.err, "quorlan-view: " + (root / "INF" / "oem1.inf").string() +
                       " is skipped: line 4104: its values come to more than 16777216 characters once their "
                       "strings are put in\n");
}

// What a start finds in place of its state: a FIFO, a file past the size limit, numbers out of
// range, a link at the driver store's folder. Each is refused at once with one line, and the
// program runs on a fresh state that touches nothing.
struct StateCase {
  const char* name;
  void (*plant)(const fs::path& root, const fs::path& elsewhere);
  const char* said;
};

void writeState(const fs::path& root, const std::string& device) {
  WriteBytes(root / "machine.json",
             "{\"version\": 1, \"devices\": [{\"instanceId\": \"ROOT\\\\X\\\\0000\", " + device + "}]}\n");
}

class ProgramStartState : public ProgramInstall, public testing::WithParamInterface<StateCase> {};

TEST_P(ProgramStartState, IsRefusedWithOneLineAndNothingIsFollowed) {
  const fs::path elsewhere = dir.path() / "elsewhere";
  fs::create_directories(elsewhere);
  GetParam().plant(root, elsewhere);
  ProgramStart s = start();
  EXPECT_FALSE(s.persistent);
  EXPECT_TRUE(s.instrumentStarted);
  EXPECT_EQ(lineCount(s.err), 1u) << s.err;
  EXPECT_NE(s.err.find(GetParam().said), std::string::npos) << s.err;
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProgramStartState,
    testing::Values(
        StateCase{"Fifo",
                  [](const fs::path& root, const fs::path&) {
                    fs::remove(root / "machine.json");
                    ASSERT_EQ(::mkfifo((root / "machine.json").c_str(), 0600), 0);
                  },
                  "machine.json is not a regular file; it is left as it is"},
        StateCase{"PastTheSizeLimit",
                  [](const fs::path& root, const fs::path&) {
                    WriteBytes(root / "machine.json", "{\"version\": 1" + std::string(17u << 20, ' ') + "}");
                  },
                  "machine.json is larger than 16777216 bytes"},
        StateCase{"NegativeProblem",
                  [](const fs::path& root, const fs::path&) { writeState(root, "\"reportedProblem\": -1"); },
                  "\"reportedProblem\" is not a whole number from 0 to 4294967295"},
        StateCase{"FractionalResourceType",
                  [](const fs::path& root, const fs::path&) {
                    writeState(root, "\"configurations\": [{\"type\": 2, \"resources\": [{\"type\": 1.5}]}]");
                  },
                  "\"type\" is not a whole number from 0 to 4294967295"},
        StateCase{"BaseBeyond64Bits",
                  [](const fs::path& root, const fs::path&) {
                    writeState(
                        root, "\"configurations\": [{\"type\": 2, \"resources\": [{\"base\": 18446744073709551616}]}]");
                  },
                  "\"base\" is not a whole number from 0 to 18446744073709551615"},
        StateCase{"LinkAtTheStoreFolder",
                  [](const fs::path& root, const fs::path& elsewhere) {
                    fs::remove_all(root / "INF");
                    fs::create_directory_symlink(elsewhere, root / "INF");
                  },
                  "INF is a link, which is not followed"}),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.name; });

}  // namespace
}  // namespace setuptest
