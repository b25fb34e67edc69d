#pragma once

// Firmware download: "DA:0:<S-record with its line end>" loads one Motorola S-record,
// "DA:0:SX" aborts. Every record's hex digits, byte count and checksum are checked. The reply
// names the loader's phase after an accepted record:
//   S0 header             "da:0:0"
//   S2 data (24-bit)      "da:2:1"   (S5 record counts are taken the same way)
//   S8 end of image       "da:8:3"   the image is complete
// A refused record: "da:e:1" checksum wrong, "da:e:2" malformed record, "da:e:3" address at or
// above 0xFBFFF, "da:e:5" a record type this 24-bit loader does not take (S1, S3, S7, S9).
// "DA:0:SX" answers "da:sx" and discards what was loaded.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace sim {

class FirmwareLoader {
 public:
  std::string load(std::string_view record);
  std::string abort();

  bool imageComplete() const { return complete_; }
  size_t recordsAccepted() const { return records_; }
  const std::map<uint32_t, uint8_t>& image() const { return image_; }
  const std::string& headerText() const { return header_; }

 private:
  std::map<uint32_t, uint8_t> image_;
  std::string header_;
  size_t records_ = 0;
  bool complete_ = false;
};

}  // namespace sim
