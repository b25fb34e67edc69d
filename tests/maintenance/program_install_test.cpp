// The real program's installation run: no display, HOME and the XDG folders in a fresh
// temporary folder, after the program's own machine ran there once with the instrument plugged.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <map>

#include "shell/SimulatedSystem.h"
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

class ProgramInstall : public testing::Test {
protected:
  void SetUp() override {
    home = dir.path() / "home";
    data = dir.path() / "xdg-data";
    root = data / "quorlan-view" / "machine";
    fs::create_directories(home);
    env = {{"HOME", home.string()},
           {"XDG_DATA_HOME", data.string()},
           {"XDG_CONFIG_HOME", (dir.path() / "xdg-config").string()},
           {"XDG_CACHE_HOME", (dir.path() / "xdg-cache").string()},
           {"XDG_STATE_HOME", (dir.path() / "xdg-state").string()},
           {"PATH", "/usr/bin:/bin"}};
    // The program's first start on that root, in-process, with the instrument attached.
    for (const auto& [name, value] : env) saved[name] = std::getenv(name.c_str()) ? std::getenv(name.c_str()) : "";
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    ::unsetenv("QUORLAN_MACHINE_ROOT");
    {
      SimulatedSystem system;
      ASSERT_NE(system.instrumentPort(), 0);
      EXPECT_TRUE(system.shutdown().empty());
    }
    for (const auto& [name, value] : saved) ::setenv(name.c_str(), value.c_str(), 1);
    ASSERT_TRUE(fs::exists(root / "machine.json"));
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
      seen[it->path().string()] = std::to_string(it->is_regular_file() ? it->file_size() : 0) + "@" + std::to_string(when);
    }
    return seen;
  }

  TempDir dir;
  fs::path home, data, root;
  std::map<std::string, std::string> env, saved;
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

}  // namespace
}  // namespace setuptest
