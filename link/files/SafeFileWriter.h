#pragma once

// Writes a file through a temporary beside it and renames it into place on Commit, so the target
// is either the complete new file or left as it was. Without Commit the temporary is removed.

#include <cstdio>
#include <string>

class SafeFileWriter {
 public:
  explicit SafeFileWriter(std::string targetPath);
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  bool IsOpen() const { return file != nullptr; }
  std::FILE* Stream() { return file; }
  // Flushes, closes and renames; false (target untouched) when any step fails.
  bool Commit();

 private:
  std::string target;
  std::string temporary;
  std::FILE* file = nullptr;
};
