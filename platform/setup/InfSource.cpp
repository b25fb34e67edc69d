#include "platform/setup/InfSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/machine/InfFile.h"
#include "platform/setup/SetupApi.h"

namespace setup {

DWORD ReadInfSource(const char* path, std::string& bytes, std::string* why) {
  auto invalid = [&](std::string reason) {
    if (why) *why = std::move(reason);
    return static_cast<DWORD>(ERROR_INVALID_DATA);
  };
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  struct stat info {};
  DWORD error = ERROR_SUCCESS;
  if (::fstat(fd, &info) != 0) {
    error = ERROR_ACCESS_DENIED;
  } else if (S_ISDIR(info.st_mode)) {
    error = ERROR_ACCESS_DENIED;
  } else if (!S_ISREG(info.st_mode)) {
    error = invalid("not a regular file");
  } else if (static_cast<std::size_t>(info.st_size) > platform::kLargestInf) {
    error = invalid("larger than " + std::to_string(platform::kLargestInf) + " bytes");
  }
  bytes.clear();
  char buffer[65536];
  while (error == ERROR_SUCCESS) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = ERROR_ACCESS_DENIED;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > platform::kLargestInf)  // it grew since
      error = invalid("larger than " + std::to_string(platform::kLargestInf) + " bytes");
  }
  ::close(fd);
  return error;
}

}  // namespace setup
