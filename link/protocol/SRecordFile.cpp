#include "link/protocol/SRecordFile.h"

#include "link/files/RegularFile.h"

SRecordFile::~SRecordFile() { Close(); }

bool SRecordFile::Open(const std::string& path) { return Open(OpenRegularFile(path)); }

bool SRecordFile::Open(std::FILE* stream) {
  Close();
  file_ = stream;
  if (file_ == nullptr) return false;
  length_ = 0;
  if (std::fseek(file_, 0, SEEK_END) == 0) length_ = std::ftell(file_);
  if (length_ < 0) length_ = 0;
  std::rewind(file_);
  line_.clear();
  line_.reserve(kLineCapacity);
  fileBytes_ = 0;
  lineDone_ = false;
  return true;
}

void SRecordFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

SRecordFile::Step SRecordFile::Next() {
  if (lineDone_) {
    line_.clear();
    fileBytes_ = 0;
    lineDone_ = false;
  }
  const int c = file_ != nullptr ? std::fgetc(file_) : EOF;
  if (c == EOF) {
    lineDone_ = true;
    return Step::End;
  }
  if (line_.size() == kLineCapacity) return Step::TooLong;
  const char before = line_.empty() ? '\0' : line_.back();
  line_.push_back(static_cast<char>(c));
  ++fileBytes_;
  const bool pair = (c == '\n' && before == '\r') || (c == '\r' && before == '\n');
  if (c == '\n' && !pair) {
    // An LF without a CR before it: a CR right behind it makes an LF CR end, otherwise it stands
    // alone and the line goes out with CR LF. Either way the end takes one more byte.
    if (line_.size() == kLineCapacity) return Step::TooLong;
    const int next = std::fgetc(file_);
    if (next == '\r') {
      line_.push_back('\r');
      ++fileBytes_;
    } else {
      if (next != EOF) std::ungetc(next, file_);
      line_.back() = '\r';
      line_.push_back('\n');
    }
  } else if (!pair) {
    return Step::Byte;
  }
  lineDone_ = true;
  return Step::Line;
}
