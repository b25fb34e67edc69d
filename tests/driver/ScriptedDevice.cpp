#include "ScriptedDevice.h"

#include <chrono>

namespace drivertest {

std::vector<EndpointDesc> InstrumentEndpoints() {
  return {{0x81, 2, 64}, {0x01, 2, 64}, {0x82, 2, 64}, {0x02, 2, 64}, {0x83, 1, 128}, {0x03, 1, 64}};
}

std::vector<uint8_t> ConfigurationBytes(const std::vector<EndpointDesc>& endpoints) {
  std::vector<uint8_t> d = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
  d.insert(d.end(), {9, 4, 0, 0, static_cast<uint8_t>(endpoints.size()), 0xFF, 0, 0, 0});
  for (const EndpointDesc& e : endpoints) {
    d.insert(d.end(), {7, 5, e.address, e.attributes, static_cast<uint8_t>(e.maxPacket & 0xFF),
                       static_cast<uint8_t>(e.maxPacket >> 8), static_cast<uint8_t>(e.attributes == 1 ? 1 : 0)});
  }
  d[2] = static_cast<uint8_t>(d.size() & 0xFF);
  d[3] = static_cast<uint8_t>(d.size() >> 8);
  return d;
}

namespace {

DeviceEvent MakeEvent(DeviceEvent::Kind kind, uint8_t endpoint = 0) {
  DeviceEvent e;
  e.kind = kind;
  e.endpoint = endpoint;
  return e;
}

}  // namespace

uint8_t IsoByte(uint32_t frame, std::size_t i) { return static_cast<uint8_t>(frame * 7 + i); }

ScriptedDevice::ScriptedDevice(std::vector<EndpointDesc> endpoints) : endpoints_(std::move(endpoints)) {}

std::vector<uint8_t> ScriptedDevice::deviceDescriptor() const {
  return {18, 1, 0x10, 0x01, 0, 0, 0, 64, 0x52, 0x04, 0x01, 0x02, 0x00, 0x01, 0, 0, 0, 1};
}

std::vector<uint8_t> ScriptedDevice::configurationDescriptor() const { return ConfigurationBytes(endpoints_); }

usb::Handshake ScriptedDevice::control(const usb::SetupPacket& setup, std::span<const uint8_t> out,
                                       std::vector<uint8_t>& in) {
  (void)in;
  DeviceEvent e = MakeEvent(DeviceEvent::Kind::Control);
  e.setup = setup;
  e.data.assign(out.begin(), out.end());
  record(std::move(e));
  if ((setup.bmRequestType & 0x60) == usb::kRequestTypeStandard && setup.bRequest == usb::kRequestClearFeature &&
      (setup.bmRequestType & 0x1F) == usb::kRecipientEndpoint && setup.wValue == usb::kFeatureEndpointHalt) {
    std::lock_guard lock(mutex_);
    halted_.erase(static_cast<uint8_t>(setup.wIndex));
  }
  return usb::Handshake::Ack;
}

usb::Handshake ScriptedDevice::bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) {
  {
    std::lock_guard lock(mutex_);
    if (halted_.count(endpoint)) return usb::Handshake::Stall;
  }
  DeviceEvent e = MakeEvent(DeviceEvent::Kind::BulkOut, endpoint);
  e.data.assign(packet.begin(), packet.end());
  record(std::move(e));
  return usb::Handshake::Ack;
}

usb::Handshake ScriptedDevice::bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) {
  DeviceEvent e = MakeEvent(DeviceEvent::Kind::BulkIn, endpoint);
  {
    std::lock_guard lock(mutex_);
    if (halted_.count(endpoint)) return usb::Handshake::Stall;
    auto& queue = in_[endpoint];
    if (queue.empty()) {
      // Consecutive NAKs on one endpoint are one event: the transfer is waiting.
      if (lastInWasNak_[endpoint]) return usb::Handshake::Nak;
      lastInWasNak_[endpoint] = true;
      e.nak = true;
    } else {
      packet = std::move(queue.front());
      queue.pop_front();
      if (packet.size() > maxPacket) packet.resize(maxPacket);
      lastInWasNak_[endpoint] = false;
      e.data = packet;
    }
  }
  bool nak = e.nak;
  record(std::move(e));
  return nak ? usb::Handshake::Nak : usb::Handshake::Ack;
}

usb::Handshake ScriptedDevice::isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket,
                                     std::vector<uint8_t>& packet) {
  DeviceEvent e = MakeEvent(DeviceEvent::Kind::IsoIn, endpoint);
  e.frame = frame;
  bool fail;
  {
    std::lock_guard lock(mutex_);
    fail = halted_.count(endpoint) || (frame >= failFirst_ && frame <= failLast_);
  }
  record(std::move(e));
  if (fail) return usb::Handshake::Stall;
  packet.resize(maxPacket);
  for (std::size_t i = 0; i < maxPacket; ++i) packet[i] = IsoByte(frame, i);
  return usb::Handshake::Ack;
}

void ScriptedDevice::clearHalt(uint8_t endpoint) {
  {
    std::lock_guard lock(mutex_);
    halted_.erase(endpoint);
  }
  record(MakeEvent(DeviceEvent::Kind::ClearHalt, endpoint));
}

void ScriptedDevice::reset() { record(MakeEvent(DeviceEvent::Kind::Reset)); }

void ScriptedDevice::setConfiguration(uint8_t value) {
  {
    std::lock_guard lock(mutex_);
    configuration_ = value;
  }
  DeviceEvent e = MakeEvent(DeviceEvent::Kind::SetConfiguration);
  e.data = {value};
  record(std::move(e));
}

void ScriptedDevice::setDataReadyCallback(DataReady callback) {
  std::lock_guard lock(mutex_);
  dataReady_ = std::move(callback);
}

void ScriptedDevice::queueIn(uint8_t endpoint, std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += 64) {
    std::string_view piece = bytes.substr(at, 64);
    queueInPacket(endpoint, std::vector<uint8_t>(piece.begin(), piece.end()));
  }
}

void ScriptedDevice::queueInPacket(uint8_t endpoint, std::vector<uint8_t> packet) {
  DataReady ready;
  {
    std::lock_guard lock(mutex_);
    in_[endpoint].push_back(std::move(packet));
    ready = dataReady_;
  }
  if (ready) ready(endpoint);
}

void ScriptedDevice::halt(uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  halted_.insert(endpoint);
}

bool ScriptedDevice::halted(uint8_t endpoint) const {
  std::lock_guard lock(mutex_);
  return halted_.count(endpoint) != 0;
}

void ScriptedDevice::failIsoFrames(uint32_t first, uint32_t last) {
  std::lock_guard lock(mutex_);
  failFirst_ = first;
  failLast_ = last;
}

std::vector<DeviceEvent> ScriptedDevice::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

void ScriptedDevice::clearEvents() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

std::vector<usb::SetupPacket> ScriptedDevice::controls() const {
  std::vector<usb::SetupPacket> result;
  for (const DeviceEvent& e : events()) {
    if (e.kind == DeviceEvent::Kind::Control) result.push_back(e.setup);
  }
  return result;
}

std::string ScriptedDevice::bulkOutBytes(uint8_t endpoint) const {
  std::string result;
  for (const DeviceEvent& e : events()) {
    if (e.kind == DeviceEvent::Kind::BulkOut && e.endpoint == endpoint) result.append(e.data.begin(), e.data.end());
  }
  return result;
}

std::vector<std::size_t> ScriptedDevice::bulkOutPackets(uint8_t endpoint) const {
  std::vector<std::size_t> result;
  for (const DeviceEvent& e : events()) {
    if (e.kind == DeviceEvent::Kind::BulkOut && e.endpoint == endpoint) result.push_back(e.data.size());
  }
  return result;
}

std::vector<uint32_t> ScriptedDevice::isoFrames() const {
  std::vector<uint32_t> result;
  for (const DeviceEvent& e : events()) {
    if (e.kind == DeviceEvent::Kind::IsoIn) result.push_back(e.frame);
  }
  return result;
}

uint8_t ScriptedDevice::configuration() const {
  std::lock_guard lock(mutex_);
  return configuration_;
}

bool ScriptedDevice::waitFor(const std::function<bool(const std::vector<DeviceEvent>&)>& condition) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return condition(events_); });
}

void ScriptedDevice::record(DeviceEvent event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  changed_.notify_all();
}

}  // namespace drivertest
