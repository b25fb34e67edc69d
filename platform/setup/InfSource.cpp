#include "platform/setup/InfSource.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/setup/SetupApi.h"

namespace setup {

namespace {

constexpr std::size_t kLargestInf = 16u << 20;

}  // namespace

DWORD ReadInfSource(const char* path, std::string& bytes) {
  struct stat info {};
  if (::stat(path, &info) != 0) return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
  if (!S_ISREG(info.st_mode)) return ERROR_INVALID_DATA;
  if (static_cast<std::size_t>(info.st_size) > kLargestInf) return ERROR_INVALID_DATA;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ERROR_ACCESS_DENIED;
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return ERROR_SUCCESS;
}

}  // namespace setup
