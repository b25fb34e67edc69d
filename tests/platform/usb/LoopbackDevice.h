#pragma once

// A small USB device for bus tests: vendor 0x1234, product 0x5678, one interface with bulk IN
// 0x81 and bulk OUT 0x01 (64 bytes) and isochronous IN 0x83 (128 bytes). Bytes written to 0x01
// come back on 0x81, one IN packet per OUT packet (so each write is read back as its own
// transfer); a test may queue IN packets itself. Isochronous packet of frame f: `isoLength` bytes
// of (f & 0xFF). Vendor requests: 0x10 IN answers "LOOP", 0x11 OUT acks, others stall. Every
// setup packet, halt clear, reset and configuration is recorded.

#include <deque>
#include <mutex>
#include <set>
#include <vector>

#include "platform/usb/model/UsbDeviceModel.h"

namespace looptest {

class LoopbackDevice final : public usb::UsbDeviceModel {
 public:
  LoopbackDevice();

  std::vector<uint8_t> deviceDescriptor() const override;
  std::vector<uint8_t> configurationDescriptor() const override;
  usb::Handshake control(const usb::SetupPacket& setup, std::span<const uint8_t> out,
                         std::vector<uint8_t>& in) override;
  usb::Handshake bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) override;
  usb::Handshake bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) override;
  usb::Handshake isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket, std::vector<uint8_t>& packet) override;
  void clearHalt(uint8_t endpoint) override;
  void reset() override;
  void setConfiguration(uint8_t value) override;
  void setDataReadyCallback(DataReady callback) override;
  bool announcesBulkInData() const override;

  // Test side.
  void queueIn(std::vector<uint8_t> packet);  // calls the data-ready callback
  void halt(uint8_t endpoint);
  void setConfigurationDescriptor(std::vector<uint8_t> bytes);
  void setIsoLength(std::size_t length);
  std::vector<usb::SetupPacket> setups() const;
  std::vector<std::vector<uint8_t>> outPackets() const;
  std::vector<uint8_t> clearedHalts() const;
  std::vector<uint32_t> isoFrames() const;
  std::vector<uint8_t> configurations() const;
  int resets() const;
  bool hasDataReadyCallback() const;
  void setAnnouncesData(bool announces);  // promise the bus a data-ready call for all IN data
  int bulkInCalls() const;                // bulk IN packets the bus asked for

  // The default configuration, and variants for negative tests.
  static std::vector<uint8_t> standardConfiguration();

 private:
  mutable std::mutex mutex_;
  std::vector<uint8_t> configuration_;
  std::deque<std::vector<uint8_t>> in_;
  std::set<uint8_t> halted_;
  std::size_t isoLength_ = 128;
  bool announces_ = false;
  int bulkInCalls_ = 0;
  std::vector<usb::SetupPacket> setups_;
  std::vector<std::vector<uint8_t>> out_;
  std::vector<uint8_t> cleared_;
  std::vector<uint32_t> isoFrames_;
  std::vector<uint8_t> configurations_;
  int resets_ = 0;
  DataReady ready_;
};

}  // namespace looptest
