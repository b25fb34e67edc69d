#pragma once

// A firmware file read one byte at a time into lines. A line ends when a byte and the one before
// it in the line are CR and LF, in either order, and the line keeps that line end as it is. A
// lone LF (the usual line end of files made on Unix) ends a line too; the line then gets a CR LF
// end, the form the instrument receives lines in.

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
  // Reads from an already open stream, which the reader then owns and closes.
  bool Open(std::FILE* stream);
  void Close();
  long Length() const { return length_; }

  // Reads the next byte. After Line or End the next call starts a new line.
  Step Next();
  const std::string& Line() const { return line_; }
  // How many bytes of the file the current line took (its line end as the file has it).
  std::size_t LineFileBytes() const { return fileBytes_; }

 private:
  bool EndsLine(char byte);

  std::FILE* file_ = nullptr;
  long length_ = 0;
  std::string line_;
  std::size_t fileBytes_ = 0;
  bool lineDone_ = false;
};
