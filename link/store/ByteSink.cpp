#include "link/store/ByteSink.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

bool MemorySink::Write(const UCHAR* bytes, std::size_t count) {
  out.insert(out.end(), bytes, bytes + count);
  return true;
}

bool FileSink::Write(const UCHAR* bytes, std::size_t count) { return std::fwrite(bytes, 1, count, file) == count; }

std::size_t MemorySource::Read(UCHAR* target, std::size_t count) {
  std::size_t n = std::min(count, bytes.size() - position);
  if (n != 0) std::memcpy(target, bytes.data() + position, n);
  position += n;
  return n;
}

FileSource::FileSource(std::FILE* openFile) : file(openFile) {
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && info.st_size > 0) length = static_cast<ULONGLONG>(info.st_size);
}

std::size_t FileSource::Read(UCHAR* target, std::size_t count) {
  const std::size_t got = std::fread(target, 1, count, file);
  if (got < count && std::ferror(file) != 0) failed = true;
  return got;
}
