#include "sim/FirmwareLoader.h"

#include <vector>

#include "sim/TextTokens.h"

namespace sim {
namespace {

constexpr uint32_t kAddressLimit = 0xFBFFF;

}  // namespace

std::string FirmwareLoader::abort() {
  image_.clear();
  header_.clear();
  records_ = 0;
  complete_ = false;
  return "da:sx";
}

std::string FirmwareLoader::load(std::string_view record) {
  while (!record.empty() && (record.back() == '\r' || record.back() == '\n')) record.remove_suffix(1);
  if (record.size() < 4 || record[0] != 'S' || record.size() % 2 != 0) return "da:e:2";
  char type = record[1];
  std::vector<uint8_t> bytes;
  for (size_t i = 2; i < record.size(); i += 2) {
    int hi = hexValue(record[i]), lo = hexValue(record[i + 1]);
    if (hi < 0 || lo < 0) return "da:e:2";
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  if (bytes.empty() || bytes[0] != bytes.size() - 1) return "da:e:2";
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  if (static_cast<uint8_t>(~sum & 0xFF) != bytes.back()) return "da:e:1";

  auto address = [&](int width) {
    uint32_t a = 0;
    for (int i = 0; i < width; ++i) a = a << 8 | bytes[1 + i];
    return a;
  };
  switch (type) {
    case '0':
      if (bytes.size() < 4) return "da:e:2";
      header_.assign(bytes.begin() + 3, bytes.end() - 1);
      ++records_;
      complete_ = false;
      return "da:0:0";
    case '2': {
      if (bytes.size() < 5) return "da:e:2";
      uint32_t a = address(3);
      size_t count = bytes.size() - 5;
      if (a + count >= kAddressLimit) return "da:e:3";
      for (size_t i = 0; i < count; ++i) image_[a + static_cast<uint32_t>(i)] = bytes[4 + i];
      ++records_;
      return "da:2:1";
    }
    case '5':
      if (bytes.size() < 4) return "da:e:2";
      ++records_;
      return "da:2:1";
    case '8':
      if (bytes.size() != 5) return "da:e:2";
      ++records_;
      complete_ = true;
      return "da:8:3";
    default:
      return "da:e:5";
  }
}

}  // namespace sim
