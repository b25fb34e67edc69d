#include "platform/machine/SetupStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/machine/DriverStore.h"
#include "platform/machine/InfFile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::atomic<bool> failNextStateWrite{false};
std::atomic<std::size_t> stateFileParses{0};

std::string systemError(const std::string& what, const fs::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// The root's lock, held while the object lives.
class RootLock {
 public:
  explicit RootLock(const fs::path& root) {
    fd_ = ::open((root / "machine.lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RootLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
  }
  RootLock(const RootLock&) = delete;
  RootLock& operator=(const RootLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A file of the root, opened without following a link and without waiting (a FIFO or a device
// is no file of the machine's), when it is a regular file of at most `limit` bytes.
class RootFile {
 public:
  enum class Opened { File, Missing, Link, NotRegular, TooLarge, Failed };

  RootFile(const fs::path& path, std::size_t limit) : path_(path), limit_(limit) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      opened_ = errno == ENOENT ? Opened::Missing : errno == ELOOP ? Opened::Link : Opened::Failed;
    } else if (::fstat(fd_, &info_) != 0) {
      opened_ = Opened::Failed;
    } else if (!S_ISREG(info_.st_mode)) {
      opened_ = Opened::NotRegular;
    } else if (static_cast<unsigned long long>(info_.st_size) > limit) {
      opened_ = Opened::TooLarge;
    }
  }
  ~RootFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  RootFile(const RootFile&) = delete;
  RootFile& operator=(const RootFile&) = delete;

  Opened opened() const { return opened_; }
  const struct stat& info() const { return info_; }
  // The bytes, at most the limit (the file may have grown since it was opened).
  bool read(std::string& out) {
    out.clear();
    char buffer[65536];
    for (;;) {
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        opened_ = Opened::Failed;
        return false;
      }
      if (n == 0) return true;
      out.append(buffer, static_cast<std::size_t>(n));
      if (out.size() > limit_) {
        opened_ = Opened::TooLarge;
        return false;
      }
    }
  }
  // Why the file is not read.
  std::string refusal() const {
    switch (opened_) {
      case Opened::Link:
        return path_.string() + " is a link, which is not followed";
      case Opened::NotRegular:
        return path_.string() + " is not a regular file";
      case Opened::TooLarge:
        return path_.string() + " is larger than " + std::to_string(limit_) + " bytes";
      default:
        return systemError("cannot read", path_);
    }
  }

 private:
  fs::path path_;
  std::size_t limit_;
  int fd_ = -1;
  struct stat info_ {};
  Opened opened_ = Opened::File;
};

// The driver store's folder must be the root's own: a link there would put packages elsewhere.
bool storeFolderIsOwn(const fs::path& folder, std::string& error) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    error = systemError("cannot read", folder);
    return false;
  }
  if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode)) {
    error = folder.string() + (S_ISLNK(info.st_mode) ? " is a link, which is not followed" : " is not a folder");
    return false;
  }
  return true;
}

// Writes a temporary file beside `path` and renames it over `path`. The temporary name is new
// (mkostemp: O_CREAT | O_EXCL), so nothing planted at a name is followed or overwritten.
bool writeAtomically(const fs::path& path, const std::string& bytes, std::string& error) {
  std::string name = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  const fs::path temp = name;
  if (fd < 0) {
    error = systemError("cannot create", temp);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = systemError("cannot write", temp);
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    error = systemError("cannot write", path);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

// "oem<N>.inf" -> N, or -1.
long packageNumber(const std::string& name) {
  if (name.size() < 8 || name.compare(0, 3, "oem") != 0 || name.compare(name.size() - 4, 4, ".inf") != 0) return -1;
  std::string digits = name.substr(3, name.size() - 7);
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  if (digits.size() > 1 && digits[0] == '0') return -1;
  return std::strtol(digits.c_str(), nullptr, 10);
}

bool samePackages(const SetupDatabase& a, const SetupDatabase& b) {
  if (a.packages.size() != b.packages.size()) return false;
  for (std::size_t i = 0; i < a.packages.size(); ++i) {
    if (a.packages[i].name != b.packages[i].name) return false;
  }
  return true;
}

}  // namespace

void FailNextStateWrite() { failNextStateWrite = true; }

std::size_t StateFileParses() { return stateFileParses; }

SetupStore::FileIdentity SetupStore::IdentityOf(const struct stat& info) {
  return {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino),
          static_cast<unsigned long long>(info.st_size),
          static_cast<long long>(info.st_mtim.tv_sec) * 1000000000ll + info.st_mtim.tv_nsec};
}

bool SetupStore::RecentlyModified(const FileIdentity& file) {
  // File times move in clock ticks of a few milliseconds; a second is well past any of them.
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return file.modified >= (static_cast<long long>(now.tv_sec) - 1) * 1000000000ll + now.tv_nsec;
}

SetupStore::SetupStore(fs::path root) : root_(std::move(root)) {}

fs::path SetupStore::DefaultRoot() {
  auto env = [](const char* name) -> std::string {
    const char* value = std::getenv(name);
    return value ? value : "";
  };
  if (std::string root = env("QUORLAN_MACHINE_ROOT"); !root.empty()) return root;
  if (std::string data = env("XDG_DATA_HOME"); !data.empty() && data[0] == '/')
    return fs::path(data) / "quorlan-view" / "machine";
  if (std::string home = env("HOME"); !home.empty())
    return fs::path(home) / ".local" / "share" / "quorlan-view" / "machine";
  return {};
}

bool SetupStore::open(std::string& error) {
  if (root_.empty()) return true;
  std::error_code ec;
  if (!fs::is_directory(root_, ec)) {
    // Folders on the way are made private too; the root itself must be.
    fs::path made;
    for (const fs::path& part : root_) {
      made /= part;
      if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
        error = systemError("cannot create", made);
        return false;
      }
    }
  }
  if (!fs::is_directory(root_, ec)) {
    error = root_.string() + " is not a folder";
    return false;
  }
  if (::access(root_.c_str(), W_OK | X_OK) != 0) {
    error = systemError("cannot write", root_);
    return false;
  }
  if (::mkdir((root_ / "INF").c_str(), 0700) != 0 && errno != EEXIST) {
    error = systemError("cannot create", root_ / "INF");
    return false;
  }
  std::lock_guard lock(mutex_);
  RootLock rootLock(root_);
  if (!rootLock.held()) {
    error = systemError("cannot lock", root_ / "machine.lock");
    return false;
  }
  try {
    return load(error);
  } catch (const std::exception& e) {
    error = "cannot read the state under " + root_.string() + ": " + e.what();
    return false;
  }
}

bool SetupStore::load(std::string& error) {
  const fs::path state = root_ / "machine.json";
  RootFile file(state, kLargestSetupState);
  FileIdentity identity{};  // a missing file's
  if (file.opened() != RootFile::Opened::Missing) {
    if (file.opened() != RootFile::Opened::File) {
      error = file.refusal() + "; it is left as it is";
      return false;
    }
    identity = IdentityOf(file.info());
  }
  if (!storeFolderIsOwn(root_ / "INF", error)) return false;
  std::error_code ec;
  std::vector<std::pair<long, StoredPackage>> found;
  skipped_.clear();
  for (fs::directory_iterator it(root_ / "INF", ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    long number = packageNumber(name);
    if (number < 0) continue;
    StoredPackage package;
    if (!readPackage(it->path(), package, error)) return false;
    if (!package.name.empty()) found.emplace_back(number, std::move(package));
  }
  if (ec) {
    error = "cannot list " + (root_ / "INF").string() + ": " + ec.message();
    return false;
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // machine.json is parsed again only when it changed since it was last read or written: when
  // its file is another, or, while its time stamp is too recent to tell a later write within the
  // same tick, when its bytes differ.
  bool same = stateKnown_ && identity == stateIdentity_;
  std::string text;
  const bool present = file.opened() == RootFile::Opened::File;
  if (present && (!same || RecentlyModified(identity))) {
    if (!file.read(text)) {
      error = file.refusal() + "; it is left as it is";
      return false;
    }
    same = same && text == stateText_;
  }
  if (!same) {
    SetupDatabase read;
    std::string why;
    if (present) ++stateFileParses;
    if (present && !LoadSetupDatabase(text, read, why)) {
      error = state.string() + " does not load (" + why + "); it is left as it is";
      return false;
    }
    memory_ = std::move(read);
    stateText_ = std::move(text);
    stateIdentity_ = identity;
    stateKnown_ = true;
  }
  memory_.packages.clear();
  for (auto& [number, package] : found) memory_.packages.push_back(std::move(package));
  return true;
}

bool SetupStore::readPackage(const fs::path& path, StoredPackage& package, std::string& error) {
  const std::string name = path.filename().string();
  // A link, a folder, a FIFO or a file larger than any INF is not a package: it is skipped.
  RootFile file(path, kLargestInf);
  switch (file.opened()) {
    case RootFile::Opened::File:
      break;
    case RootFile::Opened::Missing:  // deleted since the folder was listed
      return true;
    case RootFile::Opened::Failed:
      error = file.refusal();
      return false;
    default:
      skipped_[name] = file.refusal() + "; it is skipped";
      return true;
  }
  CachedPackage identity;
  identity.file = IdentityOf(file.info());
  auto cached = packages_.find(name);
  if (cached != packages_.end() && cached->second.file == identity.file) {
    package = cached->second.package;
    if (!cached->second.skipped.empty()) skipped_[name] = cached->second.skipped;
    return true;
  }
  identity.package.name = name;
  std::string bytes;
  if (!file.read(bytes)) {
    if (file.opened() == RootFile::Opened::Failed) {
      error = file.refusal();
      return false;
    }
    skipped_[name] = file.refusal() + "; it is skipped";
    return true;
  }
  std::string why;
  identity.package.driver = ReadStoredPackage(bytes, &why);
  identity.package.bytes = std::make_shared<const std::string>(std::move(bytes));
  if (!*identity.package.driver) {
    identity.skipped = path.string() + " is skipped: " + why;
    skipped_[name] = identity.skipped;
  }
  package = identity.package;
  packages_[name] = std::move(identity);
  return true;
}

bool SetupStore::writeRoot(const SetupDatabase& before, const SetupDatabase& after, std::string& error) {
  // An added package is written before the database that may name it, and taken back when the
  // database cannot be written; a deleted one goes after.
  const std::string state = SaveSetupDatabase(after);  // first: nothing is written when it cannot be made
  std::vector<fs::path> added;
  auto takeBack = [&] {
    for (const fs::path& path : added) ::unlink(path.c_str());
    return false;
  };
  for (const StoredPackage& package : after.packages) {
    bool known = false;
    for (const StoredPackage& old : before.packages) known = known || old.name == package.name;
    if (known) continue;
    if (packageNumber(package.name) < 0) {
      error = "bad package name " + package.name;
      return takeBack();
    }
    const fs::path path = root_ / "INF" / package.name;
    if (!writeAtomically(path, *package.bytes, error)) return takeBack();
    added.push_back(path);
    // What was parsed to store the package stands for the file just written: the next load
    // does not parse it again.
    struct stat written {};
    if (package.driver && *package.driver && ::stat(path.c_str(), &written) == 0)
      packages_[package.name] = {IdentityOf(written), package, {}};
  }
  const fs::path statePath = root_ / "machine.json";
  if (failNextStateWrite.exchange(false)) {
    errno = ENOSPC;
    error = systemError("cannot write", statePath);
    return takeBack();
  }
  if (!writeAtomically(statePath, state, error)) return takeBack();
  // The file now holds `after`: the next load need not parse it.
  struct stat written {};
  stateKnown_ = ::stat(statePath.c_str(), &written) == 0;
  stateIdentity_ = IdentityOf(written);
  stateText_ = state;
  for (const StoredPackage& old : before.packages) {
    bool kept = false;
    for (const StoredPackage& package : after.packages) kept = kept || old.name == package.name;
    std::error_code ec;
    if (!kept && packageNumber(old.name) >= 0 && !fs::remove(root_ / "INF" / old.name, ec) && ec) {
      error = "cannot delete " + (root_ / "INF" / old.name).string() + ": " + ec.message();
      stateKnown_ = false;  // the file holds `after`, the caller keeps `before`: read it again
      return false;
    }
  }
  return true;
}

bool SetupStore::update(const std::function<void(SetupDatabase&)>& change, std::string* error) {
  std::lock_guard lock(mutex_);
  if (root_.empty()) {
    change(memory_);
    return true;
  }
  std::string why;
  RootLock rootLock(root_);
  if (!rootLock.held()) why = systemError("cannot lock", root_ / "machine.lock");
  try {
    if (why.empty() && load(why)) {
      SetupDatabase changed = memory_;
      change(changed);
      const bool unchanged = samePackages(memory_, changed) && SaveSetupDatabase(memory_) == SaveSetupDatabase(changed);
      if (unchanged || writeRoot(memory_, changed, why)) {
        memory_ = std::move(changed);
        return true;
      }
    }
  } catch (const std::exception& e) {
    // Nothing is written before the whole state is made: the root stays as it was.
    why = "cannot save the state under " + root_.string() + ": " + e.what();
  }
  if (error) *error = why;
  return false;
}

void SetupStore::refresh() {
  if (root_.empty()) return;
  RootLock rootLock(root_);
  std::string why;
  try {
    if (rootLock.held()) load(why);
  } catch (const std::exception&) {
    // The last state read stands.
  }
}

SetupDatabase SetupStore::snapshot() {
  std::lock_guard lock(mutex_);
  refresh();
  return memory_;
}

void SetupStore::inspect(const std::function<void(const SetupDatabase&)>& look) {
  std::lock_guard lock(mutex_);
  refresh();
  look(memory_);
}

std::vector<std::string> SetupStore::skippedPackages() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [name, why] : skipped_) out.push_back(why);
  return out;
}

}  // namespace platform
