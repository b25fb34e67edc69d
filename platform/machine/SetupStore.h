#pragma once

// Where a machine keeps its setup state: in memory (tests' machines), or under a root folder
// that outlives the process (the program's):
//   <root>/INF/oem<N>.inf   the driver store, one byte copy per stored INF
//   <root>/machine.json     the device database
//   <root>/machine.lock     taken (flock) around every read-modify-write
// Every change re-reads the state under the lock, so two processes never lose each other's
// changes, and every file is written to a new temporary name (never through a link) and renamed
// over the old one. A change that leaves the state as it was writes nothing. Packages are read
// and parsed once per process, and again only when their file changes. Only regular files are
// read, never through a link, and none larger than its limit; a package that is none binding can
// use is skipped (and said), a machine.json that does not load keeps the root from being used.

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/machine/SetupDatabase.h"

namespace platform {

// The largest machine.json a root may hold.
inline constexpr std::size_t kLargestSetupState = 16u << 20;

// Tests: the next write of a machine's state file, in any store of the process, fails as on a
// full disk, once; how many times stores of the process parsed a machine.json.
void FailNextStateWrite();
std::size_t StateFileParses();

class SetupStore {
 public:
  SetupStore() = default;  // in memory
  explicit SetupStore(std::filesystem::path root);

  // $QUORLAN_MACHINE_ROOT, else $XDG_DATA_HOME/quorlan-view/machine, else
  // ~/.local/share/quorlan-view/machine; empty when none of them is known.
  static std::filesystem::path DefaultRoot();

  // A root: creates it (mode 0700) when missing and reads the state once. false, with the
  // reason, when it cannot be created or written or its machine.json does not load; the files
  // are then left as they are.
  bool open(std::string& error);
  bool persistent() const { return !root_.empty(); }
  const std::filesystem::path& root() const { return root_; }

  // Runs `change` on the newest state and keeps the result. false, with the reason, when the
  // state cannot be read or written; nothing is changed then.
  bool update(const std::function<void(SetupDatabase&)>& change, std::string* error = nullptr);
  // The newest state (re-read from a root: machine.json only when its file changed).
  SetupDatabase snapshot();
  // `look` sees the newest state in place, without a copy.
  void inspect(const std::function<void(const SetupDatabase&)>& look);
  // Why each file of the driver store that is no package binding can use was skipped when last
  // read: one line a file, naming it.
  std::vector<std::string> skippedPackages();

 private:
  // Which file a path named when it was read: a file written anew has another.
  struct FileIdentity {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modified = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
  };
  static FileIdentity IdentityOf(const struct stat& info);
  // Modified so lately that another write may still give the file the same identity.
  static bool RecentlyModified(const FileIdentity& file);
  // A package file as last read: its identity, bytes and what they parse to.
  struct CachedPackage {
    FileIdentity file;
    StoredPackage package;
    std::string skipped;  // why binding cannot use it; empty when it can
  };

  // Makes memory_ the root's newest state; false, with the reason, when it cannot be read (then
  // memory_ stays as it was). Under mutex_ and the root's lock.
  bool load(std::string& error);
  void refresh();  // load(), keeping the last state on a failure
  bool readPackage(const std::filesystem::path& path, StoredPackage& package, std::string& error);
  bool writeRoot(const SetupDatabase& before, const SetupDatabase& after, std::string& error);

  std::filesystem::path root_;
  std::map<std::string, CachedPackage> packages_;  // by file name; under mutex_
  std::map<std::string, std::string> skipped_;     // file name -> why, as of the last load; under mutex_
  std::mutex mutex_;                               // one change at a time in this process
  SetupDatabase memory_;                           // the state in memory; for a root, the last one read or written
  FileIdentity stateIdentity_;                     // of the machine.json memory_ holds (zero: none)
  std::string stateText_;                          // and its bytes
  bool stateKnown_ = false;
};

}  // namespace platform
