#include "display/model/ByteNames.h"

#include <array>
#include <bit>

#include "link/files/CsvExport.h"

namespace {

// Windows-1252 0x80-0x9F as code points; 0 marks the undefined codes (129, 141, 143, 144, 157).
constexpr std::array<char32_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Utf8(char32_t code) {
  std::string text;
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
  return text;
}

struct NameTable {
  NameTable() {
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<UCHAR>(b);
      if (const char* control = CsvControlName(byte)) {
        names[b] = control;
      } else if (b >= 0x80 && b < 0xA0) {
        const char32_t code = kHighControls[b - 0x80];
        names[b] = code == 0 ? std::string("<UNK>") : Utf8(code);
      } else {
        names[b] = Utf8(static_cast<char32_t>(b));  // ASCII and Latin-1 share their code points
      }
      cells[b] = 0;
      for (char c : names[b]) cells[b] += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
  }
  std::array<std::string, 256> names;
  std::array<int, 256> cells{};
};

const NameTable& Names() {
  static const NameTable table;
  return table;
}

}  // namespace

std::string_view CharName(UCHAR byte) { return Names().names[byte]; }

int CharNameCells(UCHAR byte) { return Names().cells[byte]; }

std::string HexText(UCHAR byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return {kHex[byte >> 4], kHex[byte & 0xF]};
}

bool CheckParity(UCHAR byte) { return std::popcount(static_cast<unsigned>(byte)) % 2 == 0; }
