#pragma once

// Helpers shared by the instrument's tests: driving the firmware and the USB face, reading the
// capture lines back, and an HDLC de-stuffer of the tests' own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/CallRenderer.h"
#include "sim/Firmware.h"
#include "sim/Instrument.h"

namespace simtest {

using sim::Micros;

inline Micros ms(int64_t v) { return v * 1000; }
inline Micros sec(double v) { return sim::fromSeconds(v); }

// ---- capture lines ("ca:1:", "rd:1:" text items; "ca#", "rd#" binary records)

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

struct Record {
  uint8_t data = 0;
  uint8_t attr = 0;
  uint16_t fraction = 0;
  bool operator==(const Record&) const = default;
};

// Records of one data line, or none when it is not one (or is malformed).
inline std::optional<std::vector<Record>> decodeLine(const std::string& reply) {
  std::vector<Record> out;
  if (reply.size() >= 4 && (reply.compare(0, 3, "ca#") == 0 || reply.compare(0, 3, "rd#") == 0)) {
    size_t n = static_cast<uint8_t>(reply[3]);
    if (n > 15 || reply.size() != 4 + 4 * n) return std::nullopt;
    for (size_t i = 0; i < n; ++i) {
      const auto* p = reinterpret_cast<const uint8_t*>(reply.data()) + 4 + 4 * i;
      out.push_back({p[0], p[1], static_cast<uint16_t>(p[2] << 8 | p[3])});
    }
    return out;
  }
  if (reply.size() > 5 && (reply.compare(0, 5, "ca:1:") == 0 || reply.compare(0, 5, "rd:1:") == 0)) {
    if ((reply.size() - 5) % 11 != 0) return std::nullopt;
    for (size_t p = 5; p + 11 <= reply.size(); p += 11) {
      std::string item = reply.substr(p, 11);
      if (item[2] != ':' || item[5] != ':' || item[10] != ':') return std::nullopt;
      int v[8];
      for (int k : {0, 1, 3, 4, 6, 7, 8, 9}) {
        v[k < 2 ? k : k < 5 ? k - 1 : k - 2] = hexDigit(item[static_cast<size_t>(k)]);
      }
      for (int d : v) {
        if (d < 0) return std::nullopt;
      }
      out.push_back({static_cast<uint8_t>(v[0] * 16 + v[1]), static_cast<uint8_t>(v[2] * 16 + v[3]),
                     static_cast<uint16_t>(v[4] << 12 | v[5] << 8 | v[6] << 4 | v[7])});
    }
    return out;
  }
  return std::nullopt;
}

inline std::vector<Record> records(const std::vector<sim::CapturedByte>& bytes) {
  std::vector<Record> out;
  for (const auto& b : bytes) out.push_back({b.data, b.attr, b.fraction});
  return out;
}

// ---- a capture run on the firmware: arm, then poll every `step` until the call ends.

struct CaptureRun {
  std::string armReply;
  std::string connectReply;
  std::string endReply;
  std::vector<Record> records;
  std::vector<std::string> lines;  // every data line
  Micros endedAt = 0;
};

inline CaptureRun runCapture(sim::Firmware& fw, Micros& now, Micros step, Micros limit) {
  CaptureRun run;
  run.armReply = fw.execute("CA:0", now);
  while (now < limit) {
    now += step;
    std::string r = fw.execute("CA:1", now);
    if (r == "ca:3" || r == "ca:1") continue;
    if (r.rfind("ca:0:", 0) == 0) {
      run.connectReply = r;
      continue;
    }
    if (auto recs = decodeLine(r)) {
      run.lines.push_back(r);
      run.records.insert(run.records.end(), recs->begin(), recs->end());
      continue;
    }
    run.endReply = r;
    run.endedAt = now;
    break;
  }
  return run;
}

// ---- the USB face, as the bus and the driver use it

inline void configure(sim::Instrument& inst) {
  usb::SetupPacket s;
  s.bRequest = 0x09;
  s.wValue = 1;
  std::vector<uint8_t> in;
  inst.control(s, {}, in);
}

inline usb::SetupPacket vendorSetup(uint8_t request, bool in) {
  usb::SetupPacket s;
  s.bmRequestType = static_cast<uint8_t>((in ? 0x80 : 0x00) | usb::kRequestTypeVendor | usb::kRecipientEndpoint);
  s.bRequest = request;
  return s;
}

inline usb::Handshake vendor(sim::Instrument& inst, uint8_t request, bool in) {
  std::vector<uint8_t> data;
  return inst.control(vendorSetup(request, in), {}, data);
}

// Writes a command the way the driver does: 64-byte pieces, no zero-length packet.
inline bool write(sim::Instrument& inst, const std::string& text, uint8_t ep = 0x01) {
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(64, text.size() - pos);
    auto* p = reinterpret_cast<const uint8_t*>(text.data()) + pos;
    if (inst.bulkOut(ep, std::span<const uint8_t>(p, n)) != usb::Handshake::Ack) return false;
    pos += n;
  } while (pos < text.size());
  return true;
}

// Reads one reply the way the driver does in pipe mode 1 (or 2): the vendor request, then
// 64-byte pieces until a short one or the 64 bytes asked for. None when the device NAKs.
inline std::optional<std::string> read(sim::Instrument& inst, uint8_t ep = 0x81, size_t length = 64) {
  vendor(inst, ep == 0x81 ? 4 : 5, true);
  std::string out;
  while (out.size() < length) {
    std::vector<uint8_t> packet;
    usb::Handshake h = inst.bulkIn(ep, std::min<size_t>(64, length - out.size()), packet);
    if (h != usb::Handshake::Ack) return out.empty() ? std::nullopt : std::optional<std::string>(out);
    out.append(packet.begin(), packet.end());
    if (packet.size() < 64) break;
  }
  return out;
}

inline std::optional<std::string> command(sim::Instrument& inst, const std::string& text) {
  if (!write(inst, text)) return std::nullopt;
  return read(inst);
}

// ---- S-records

inline std::string sRecord(char type, uint32_t address, int addressBytes, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> body;
  body.push_back(static_cast<uint8_t>(addressBytes + data.size() + 1));
  for (int i = addressBytes - 1; i >= 0; --i) body.push_back(static_cast<uint8_t>(address >> (8 * i)));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : body) sum += b;
  body.push_back(static_cast<uint8_t>(~sum));
  std::string out = "S";
  out.push_back(type);
  static const char* hex = "0123456789ABCDEF";
  for (uint8_t b : body) {
    out.push_back(hex[b >> 4]);
    out.push_back(hex[b & 15]);
  }
  return out + "\r\n";
}

// ---- HDLC: the frames (payload and check sequence) carried by a raw line bit stream

struct HdlcFrame {
  std::vector<uint8_t> payload;  // without the check sequence
  bool goodCheck = false;
};

inline std::vector<HdlcFrame> destuff(const std::vector<uint8_t>& line) {
  std::vector<HdlcFrame> frames;
  std::vector<bool> bits;
  int ones = 0;
  bool inFrame = false;
  auto close = [&] {
    if (inFrame && bits.size() >= 24 && bits.size() % 8 == 0) {
      std::vector<uint8_t> bytes(bits.size() / 8, 0);
      for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) bytes[i / 8] = static_cast<uint8_t>(bytes[i / 8] | 1u << (i % 8));
      }
      uint16_t crc = 0xFFFF;
      for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
          crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : static_cast<uint16_t>(crc >> 1);
      }
      bytes.resize(bytes.size() - 2);
      frames.push_back({bytes, crc == 0xF0B8});
    }
    bits.clear();
  };
  for (uint8_t byte : line) {
    for (int i = 0; i < 8; ++i) {
      bool bit = (byte >> i) & 1;
      if (bit) {
        ++ones;
        if (ones >= 7) {  // abort
          inFrame = false;
          bits.clear();
          continue;
        }
        if (inFrame) bits.push_back(true);
        continue;
      }
      if (ones == 6) {  // flag: drop its leading 0 and six 1s, taken as data
        if (inFrame && bits.size() >= 7) bits.resize(bits.size() - 7);
        close();
        inFrame = true;
      } else if (ones == 5) {
        // stuffed zero: dropped
      } else if (inFrame) {
        bits.push_back(false);
      }
      ones = 0;
    }
  }
  return frames;
}

}  // namespace simtest
