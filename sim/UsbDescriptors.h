#pragma once

// The instrument's USB descriptors: vendor 0x0452, product 0x0201, full speed, one configuration
// (value 1, bus powered) with one vendor-specific interface of six endpoints in this order: bulk
// IN 0x81, bulk OUT 0x01, bulk IN 0x82, bulk OUT 0x02 (64 bytes each), isochronous IN 0x83 (128
// bytes) and isochronous OUT 0x03 (64 bytes), both every frame. Strings: 1 manufacturer,
// 2 product, 3 serial number (language 0x0409).

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

constexpr uint16_t kVendorId = 0x0452;
constexpr uint16_t kProductId = 0x0201;
constexpr uint8_t kConfigurationValue = 1;

std::vector<uint8_t> deviceDescriptorBytes();
std::vector<uint8_t> configurationDescriptorBytes();
// String descriptor `index` (0 = the language list); empty when there is none.
std::vector<uint8_t> stringDescriptorBytes(uint8_t index);

}  // namespace sim
