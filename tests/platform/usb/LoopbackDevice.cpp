#include "LoopbackDevice.h"

#include <algorithm>

namespace looptest {

LoopbackDevice::LoopbackDevice() : configuration_(standardConfiguration()) {}

std::vector<uint8_t> LoopbackDevice::standardConfiguration() {
  return {
      9, 2,    9 + 9 + 3 * 7,
      0, 1,    1,
      0, 0x80, 50,  // configuration 1, one interface
      9, 4,    0,
      0, 3,    0xFF,
      0, 0,    0,  // interface 0, three endpoints, vendor class
      7, 5,    0x81,
      2, 64,   0,
      0,  // bulk IN
      7, 5,    0x01,
      2, 64,   0,
      0,  // bulk OUT
      7, 5,    0x83,
      1, 128,  0,
      1,  // isochronous IN, every frame
  };
}

std::vector<uint8_t> LoopbackDevice::deviceDescriptor() const {
  return {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, 0x34, 0x12, 0x78, 0x56, 0x00, 0x01, 0, 0, 0, 1};
}

std::vector<uint8_t> LoopbackDevice::configurationDescriptor() const {
  std::lock_guard lock(mutex_);
  return configuration_;
}

usb::Handshake LoopbackDevice::control(const usb::SetupPacket& setup, std::span<const uint8_t>,
                                       std::vector<uint8_t>& in) {
  std::lock_guard lock(mutex_);
  setups_.push_back(setup);
  uint8_t type = setup.bmRequestType & 0x60;
  if (type == usb::kRequestTypeStandard && setup.bRequest == usb::kRequestClearFeature) {
    halted_.erase(static_cast<uint8_t>(setup.wIndex));
    cleared_.push_back(static_cast<uint8_t>(setup.wIndex));
    return usb::Handshake::Ack;
  }
  if (type == usb::kRequestTypeVendor && setup.bRequest == 0x10 && setup.deviceToHost()) {
    in = {'L', 'O', 'O', 'P'};
    return usb::Handshake::Ack;
  }
  if (type == usb::kRequestTypeVendor && setup.bRequest == 0x11 && !setup.deviceToHost()) return usb::Handshake::Ack;
  return usb::Handshake::Stall;
}

usb::Handshake LoopbackDevice::bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) {
  DataReady ready;
  {
    std::lock_guard lock(mutex_);
    if (endpoint != 0x01 || halted_.count(endpoint)) return usb::Handshake::Stall;
    out_.emplace_back(packet.begin(), packet.end());
    in_.emplace_back(packet.begin(), packet.end());
    ready = ready_;
  }
  if (ready) ready(0x81);
  return usb::Handshake::Ack;
}

usb::Handshake LoopbackDevice::bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) {
  std::lock_guard lock(mutex_);
  if (endpoint != 0x81 || halted_.count(endpoint)) return usb::Handshake::Stall;
  ++bulkInCalls_;
  if (in_.empty()) return usb::Handshake::Nak;
  packet = std::move(in_.front());
  in_.pop_front();
  if (packet.size() > maxPacket) {
    // The rest stays for the next packet.
    in_.emplace_front(packet.begin() + static_cast<std::ptrdiff_t>(maxPacket), packet.end());
    packet.resize(maxPacket);
  }
  return usb::Handshake::Ack;
}

usb::Handshake LoopbackDevice::isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket,
                                     std::vector<uint8_t>& packet) {
  std::lock_guard lock(mutex_);
  if (endpoint != 0x83 || halted_.count(endpoint)) return usb::Handshake::Stall;
  isoFrames_.push_back(frame);
  packet.assign(std::min(isoLength_, maxPacket), static_cast<uint8_t>(frame & 0xFF));
  return usb::Handshake::Ack;
}

void LoopbackDevice::clearHalt(uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  halted_.erase(endpoint);
  cleared_.push_back(endpoint);
}

void LoopbackDevice::reset() {
  std::lock_guard lock(mutex_);
  resets_++;
  halted_.clear();
}

void LoopbackDevice::setConfiguration(uint8_t value) {
  std::lock_guard lock(mutex_);
  configurations_.push_back(value);
}

bool LoopbackDevice::announcesBulkInData() const {
  std::lock_guard lock(mutex_);
  return announces_;
}

void LoopbackDevice::setAnnouncesData(bool announces) {
  std::lock_guard lock(mutex_);
  announces_ = announces;
}

int LoopbackDevice::bulkInCalls() const {
  std::lock_guard lock(mutex_);
  return bulkInCalls_;
}

void LoopbackDevice::setDataReadyCallback(DataReady callback) {
  std::lock_guard lock(mutex_);
  ready_ = std::move(callback);
}

void LoopbackDevice::queueIn(std::vector<uint8_t> packet) {
  DataReady ready;
  {
    std::lock_guard lock(mutex_);
    in_.push_back(std::move(packet));
    ready = ready_;
  }
  if (ready) ready(0x81);
}

void LoopbackDevice::halt(uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  halted_.insert(endpoint);
}

void LoopbackDevice::setConfigurationDescriptor(std::vector<uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  configuration_ = std::move(bytes);
}

void LoopbackDevice::setIsoLength(std::size_t length) {
  std::lock_guard lock(mutex_);
  isoLength_ = length;
}

std::vector<usb::SetupPacket> LoopbackDevice::setups() const {
  std::lock_guard lock(mutex_);
  return setups_;
}

std::vector<std::vector<uint8_t>> LoopbackDevice::outPackets() const {
  std::lock_guard lock(mutex_);
  return out_;
}

std::vector<uint8_t> LoopbackDevice::clearedHalts() const {
  std::lock_guard lock(mutex_);
  return cleared_;
}

std::vector<uint32_t> LoopbackDevice::isoFrames() const {
  std::lock_guard lock(mutex_);
  return isoFrames_;
}

std::vector<uint8_t> LoopbackDevice::configurations() const {
  std::lock_guard lock(mutex_);
  return configurations_;
}

int LoopbackDevice::resets() const {
  std::lock_guard lock(mutex_);
  return resets_;
}

bool LoopbackDevice::hasDataReadyCallback() const {
  std::lock_guard lock(mutex_);
  return static_cast<bool>(ready_);
}

}  // namespace looptest
