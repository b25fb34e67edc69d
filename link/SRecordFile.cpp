#include "link/SRecordFile.h"

SRecordFile::~SRecordFile() { Close(); }

bool SRecordFile::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  if (std::fseek(file_, 0, SEEK_END) == 0) length_ = std::ftell(file_);
  if (length_ < 0) length_ = 0;
  std::rewind(file_);
  line_.clear();
  line_.reserve(kLineCapacity);
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
    lineDone_ = false;
  }
  const int c = file_ != nullptr ? std::fgetc(file_) : EOF;
  if (c == EOF) {
    lineDone_ = true;
    return Step::End;
  }
  if (line_.size() == kLineCapacity) return Step::TooLong;
  line_.push_back(static_cast<char>(c));
  const std::size_t n = line_.size();
  if (n >= 2) {
    const char last = line_[n - 1];
    const char before = line_[n - 2];
    if ((last == '\n' && before == '\r') || (last == '\r' && before == '\n')) {
      lineDone_ = true;
      return Step::Line;
    }
  }
  return Step::Byte;
}
