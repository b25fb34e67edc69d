#include "platform/setup/FileNames.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

namespace {

constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr std::size_t kLongestPath = 32767;

std::string withSlashes(const char* name) {
  std::string path(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
  if (setup::TakeFailure("GetFullPathNameA")) return 0;
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  if (nBufferLength && !lpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path = withSlashes(lpFileName);
  if (path[0] != '/') {
    std::vector<char> cwd(4096);
    if (!::getcwd(cwd.data(), cwd.size())) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    path = std::string(cwd.data()) + "/" + path;
  }
  const bool trailing = path.back() == '/';
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  if (full.empty() || trailing) full += "/";
  if (full.size() >= kLongestPath) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  if (nBufferLength < full.size() + 1) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(lpBuffer, full.c_str(), full.size() + 1);
  if (lpFilePart) {
    std::size_t last = full.rfind('/');
    *lpFilePart = last + 1 == full.size() ? nullptr : lpBuffer + last + 1;
  }
  return static_cast<DWORD>(full.size());
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  if (setup::TakeFailure("GetFileAttributesA")) return INVALID_FILE_ATTRIBUTES;
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string path = withSlashes(lpFileName);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    const int error = errno;
    SetLastError(error == EACCES    ? ERROR_ACCESS_DENIED
                 : error == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                    : ERROR_FILE_NOT_FOUND);
    if (error == ENOENT) {
      // A missing folder on the way is a path not found, as on the platform.
      std::size_t slash = path.find_last_of('/');
      struct stat parent {};
      if (slash != std::string::npos && slash > 0 && ::stat(path.substr(0, slash).c_str(), &parent) != 0)
        SetLastError(ERROR_PATH_NOT_FOUND);
    }
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return ::access(path.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}
