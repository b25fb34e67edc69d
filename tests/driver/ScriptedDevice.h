#pragma once

// A device for the driver's tests, behind the simulated bus: descriptors with any endpoint list, bulk IN packets the
// test queues, bulk OUT packets and control requests it records, one isochronous packet per frame whose bytes name the
// frame, and halts the test sets. Everything the bus asks of it is logged in order, so tests can check what reached the
// device and when.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/usb/model/UsbDeviceModel.h"

namespace drivertest {

struct EndpointDesc {
  uint8_t address;
  uint8_t attributes;  // 1 isochronous, 2 bulk
  uint16_t maxPacket;
};

// The instrument's six endpoints in their order.
std::vector<EndpointDesc> InstrumentEndpoints();
std::vector<uint8_t> ConfigurationBytes(const std::vector<EndpointDesc>& endpoints);

struct DeviceEvent {
  enum class Kind { Control, BulkOut, BulkIn, IsoIn, ClearHalt, Reset, SetConfiguration };
  Kind kind = Kind::Control;
  uint8_t endpoint = 0;
  usb::SetupPacket setup{};
  std::vector<uint8_t> data;  // OUT packet, IN packet delivered
  uint32_t frame = 0;         // isochronous packets
  bool nak = false;           // a bulk IN asked while nothing was queued
};

// Byte i of the isochronous packet of `frame`.
uint8_t IsoByte(uint32_t frame, std::size_t i);

class ScriptedDevice : public usb::UsbDeviceModel {
 public:
  explicit ScriptedDevice(std::vector<EndpointDesc> endpoints = InstrumentEndpoints());

  // usb::UsbDeviceModel
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

  // Test side. Queues IN data as packets of at most 64 bytes (a multiple of 64 gets no zero-length end).
  void queueIn(uint8_t endpoint, std::string_view bytes);
  void queueInPacket(uint8_t endpoint, std::vector<uint8_t> packet);
  // The endpoint answers with a stall until the host clears its halt.
  void halt(uint8_t endpoint);
  bool halted(uint8_t endpoint) const;
  // Isochronous packets of these frames stall.
  void failIsoFrames(uint32_t first, uint32_t last);

  std::vector<DeviceEvent> events() const;
  void clearEvents();
  std::vector<usb::SetupPacket> controls() const;  // vendor and class requests and features
  std::string bulkOutBytes(uint8_t endpoint) const;
  std::vector<std::size_t> bulkOutPackets(uint8_t endpoint) const;
  std::vector<uint32_t> isoFrames() const;
  uint8_t configuration() const;
  // Waits (bounded; false only on a hang) until `condition(events)` holds.
  bool waitFor(const std::function<bool(const std::vector<DeviceEvent>&)>& condition) const;

 private:
  void record(DeviceEvent event);

  const std::vector<EndpointDesc> endpoints_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<DeviceEvent> events_;
  std::map<uint8_t, std::deque<std::vector<uint8_t>>> in_;
  std::set<uint8_t> halted_;
  std::map<uint8_t, bool> lastInWasNak_;
  uint32_t failFirst_ = 1, failLast_ = 0;
  uint8_t configuration_ = 0;
  DataReady dataReady_;
};

}  // namespace drivertest
