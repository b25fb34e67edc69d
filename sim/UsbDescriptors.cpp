#include "sim/UsbDescriptors.h"

namespace sim {
namespace {

void endpoint(std::vector<uint8_t>& d, uint8_t address, uint8_t attributes, uint16_t maxPacket, uint8_t interval) {
  d.insert(d.end(), {7, 5, address, attributes, static_cast<uint8_t>(maxPacket & 0xFF),
                     static_cast<uint8_t>(maxPacket >> 8), interval});
}

}  // namespace

std::vector<uint8_t> deviceDescriptorBytes() {
  return {18,
          1,  // length, DEVICE
          0x10,
          0x01,  // USB 1.1
          0,
          0,
          0,   // class in the interface
          64,  // endpoint 0 packet
          kVendorId & 0xFF,
          kVendorId >> 8,
          kProductId & 0xFF,
          kProductId >> 8,
          0x08,
          0x01,  // device release 1.08
          1,
          2,
          3,   // strings
          1};  // configurations
}

std::vector<uint8_t> configurationDescriptorBytes() {
  std::vector<uint8_t> d = {9, 2, 0, 0, 1, kConfigurationValue, 0, 0x80, 50};  // 100 mA
  d.insert(d.end(), {9, 4, 0, 0, 6, 0xFF, 0, 0, 0});                           // interface 0, 6 endpoints
  endpoint(d, 0x81, 0x02, 64, 0);
  endpoint(d, 0x01, 0x02, 64, 0);
  endpoint(d, 0x82, 0x02, 64, 0);
  endpoint(d, 0x02, 0x02, 64, 0);
  endpoint(d, 0x83, 0x01, 128, 1);
  endpoint(d, 0x03, 0x01, 64, 1);
  d[2] = static_cast<uint8_t>(d.size() & 0xFF);
  d[3] = static_cast<uint8_t>(d.size() >> 8);
  return d;
}

std::vector<uint8_t> stringDescriptorBytes(uint8_t index) {
  if (index == 0) return {4, 3, 0x09, 0x04};
  std::string text;
  switch (index) {
    case 1:
      text = "Pelgrave, Inc.";
      break;
    case 2:
      text = "ORUpc";
      break;
    case 3:
      text = "ORU14400-000001";
      break;
    default:
      return {};
  }
  std::vector<uint8_t> d = {static_cast<uint8_t>(2 + 2 * text.size()), 3};
  for (char c : text) d.insert(d.end(), {static_cast<uint8_t>(c), 0});
  return d;
}

}  // namespace sim
