#include "link/files/SafeFileWriter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<unsigned> temporaryCounter{0};
}

SafeFileWriter::SafeFileWriter(std::string targetPath) : target(std::move(targetPath)) {
  // O_EXCL with mode 0666 gives a fresh file with the permissions the umask allows.
  for (int tries = 0; tries < 16 && file == nullptr; ++tries) {
    std::string name = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(temporaryCounter++);
    int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    file = fdopen(descriptor, "wb");
    if (file == nullptr) {
      close(descriptor);
      std::remove(name.c_str());
      return;
    }
    temporary = name;
  }
}

SafeFileWriter::~SafeFileWriter() {
  if (file != nullptr) std::fclose(file);
  if (!temporary.empty()) std::remove(temporary.c_str());
}

bool SafeFileWriter::Commit() {
  if (file == nullptr) return false;
  bool written = std::fflush(file) == 0 && std::ferror(file) == 0;
  written = (std::fclose(file) == 0) && written;
  file = nullptr;
  if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) return false;
  temporary.clear();
  return true;
}
