#pragma once

// Where written bytes go and where read bytes come from: memory or an open file.

#include <cstdio>
#include <span>
#include <vector>

#include "platform/nt/BaseTypes.h"

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const UCHAR* bytes, std::size_t count) = 0;
};

class MemorySink : public ByteSink {
 public:
  explicit MemorySink(std::vector<UCHAR>& target) : out(target) {}
  bool Write(const UCHAR* bytes, std::size_t count) override;

 private:
  std::vector<UCHAR>& out;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* openFile) : file(openFile) {}
  bool Write(const UCHAR* bytes, std::size_t count) override;

 private:
  std::FILE* file;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills up to `count` bytes; fewer only at the end of the data (or on a read error).
  virtual std::size_t Read(UCHAR* bytes, std::size_t count) = 0;
  // Total length in bytes, as known when reading began.
  virtual ULONGLONG Length() const = 0;
  // True once a read came back short because of an error rather than the end of the data.
  virtual bool Failed() const { return false; }
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const UCHAR> data) : bytes(data) {}
  std::size_t Read(UCHAR* target, std::size_t count) override;
  ULONGLONG Length() const override { return bytes.size(); }

 private:
  std::span<const UCHAR> bytes;
  std::size_t position = 0;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(std::FILE* openFile);
  std::size_t Read(UCHAR* target, std::size_t count) override;
  ULONGLONG Length() const override { return length; }
  bool Failed() const override { return failed; }

 private:
  std::FILE* file;
  ULONGLONG length = 0;
  bool failed = false;
};
