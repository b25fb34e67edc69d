#pragma once

// A firmware file read one byte at a time into lines. A line ends when a byte and the one before
// it in the line are CR and LF, in either order; the line keeps its line end.

#include <cstdio>
#include <string>

class SRecordFile {
 public:
  static constexpr std::size_t kLineCapacity = 255;

  enum class Step {
    Byte,     // one more byte of the current line
    Line,     // Line() holds a whole line with its line end
    TooLong,  // the line outgrew the buffer without ending
    End,      // end of file; Line() holds what was left without a line end (maybe nothing)
  };

  SRecordFile() = default;
  ~SRecordFile();
  SRecordFile(const SRecordFile&) = delete;
  SRecordFile& operator=(const SRecordFile&) = delete;

  bool Open(const std::string& path);
  void Close();
  long Length() const { return length_; }

  // Reads the next byte. After Line or End the next call starts a new line.
  Step Next();
  const std::string& Line() const { return line_; }

 private:
  std::FILE* file_ = nullptr;
  long length_ = 0;
  std::string line_;
  bool lineDone_ = false;
};
