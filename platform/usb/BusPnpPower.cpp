// What a USB PDO adds to the PnP and power answers every bus gives (nt::PdoBus): its ids from the
// device's descriptors, the capabilities the plug asked for, the end of its transfers at a REMOVE
// while plugged in, and the record of its power IRPs.

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/usb/BusPort.h"
#include "platform/usb/HostController.h"
#include "platform/usb/UsbDescriptors.h"

namespace usb {

namespace {

std::u16string hex4(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v & 0xFFFF);
  return std::u16string(text, text + 4);
}

std::u16string hex2(unsigned v) {
  char text[4];
  std::snprintf(text, sizeof text, "%02x", v & 0xFF);
  return std::u16string(text, text + 2);
}

// The device's serial-number string (string descriptor iSerialNumber, US English), or empty when
// it has none. Only printable ASCII is kept: the serial becomes part of a device instance id.
std::u16string serialNumber(Port& port, const std::vector<uint8_t>& d) {
  if (d.size() < 18 || d[16] == 0) return {};
  std::vector<uint8_t> in;
  {
    std::lock_guard model(port.modelMutex);
    if (!port.model || port.gone) return {};
    SetupPacket setup;
    setup.bmRequestType = kRequestDirIn | kRequestTypeStandard | kRecipientDevice;
    setup.bRequest = 0x06;  // GET_DESCRIPTOR
    setup.wValue = static_cast<uint16_t>(kDescriptorString << 8 | d[16]);
    setup.wIndex = 0x0409;
    setup.wLength = 255;
    if (port.model->control(setup, {}, in) != Handshake::Ack) return {};
  }
  if (in.size() < 2 || in[1] != kDescriptorString) return {};
  std::size_t end = std::min<std::size_t>(in[0], in.size());
  std::u16string serial;
  for (std::size_t i = 2; i + 1 < end; i += 2) {
    char16_t c = static_cast<char16_t>(in[i] | in[i + 1] << 8);
    if (c <= 0x20 || c >= 0x7F || c == u'\\' || c == u',') return {};  // not usable as an id
    serial.push_back(c);
  }
  return serial;
}

// Class, subclass and protocol: the device descriptor's, or the first interface's when the
// device leaves them to its interfaces (class 0).
std::vector<std::u16string> compatibleIds(Port& port, const std::vector<uint8_t>& d) {
  unsigned cls = d.size() > 6 ? d[4] : 0, sub = d.size() > 6 ? d[5] : 0, prot = d.size() > 6 ? d[6] : 0;
  if (cls == 0) {
    std::vector<uint8_t> config;
    {
      std::lock_guard model(port.modelMutex);
      if (port.model) config = port.model->configurationDescriptor();
    }
    for (std::size_t at = 0; at + 1 < config.size() && config[at] >= 2; at += config[at]) {
      if (config[at + 1] == kDescriptorInterface && at + 7 < config.size()) {
        cls = config[at + 5];
        sub = config[at + 6];
        prot = config[at + 7];
        break;
      }
    }
  }
  std::u16string base = u"USB\\Class_" + hex2(cls);
  return {base + u"&SubClass_" + hex2(sub) + u"&Prot_" + hex2(prot), base + u"&SubClass_" + hex2(sub), base};
}

}  // namespace

std::shared_ptr<nt::BusChild> HostController::childOf(PDEVICE_OBJECT pdo) const { return findByPdo(pdo); }

void HostController::takeIrp(PIRP irp) { scribbleOnHeldIrp(irp); }

std::vector<std::u16string> HostController::queryIds(nt::BusChild& child, BUS_QUERY_ID_TYPE type) {
  auto& port = static_cast<Port&>(child);
  const auto& d = port.deviceDescriptor;
  auto word = [&](std::size_t at) -> unsigned { return d.size() > at + 1 ? d[at] | d[at + 1] << 8 : 0; };
  std::u16string device = u"USB\\VID_" + hex4(word(8)) + u"&PID_" + hex4(word(10));
  switch (type) {
    case BusQueryDeviceID:
      return {device};
    case BusQueryHardwareIDs:
      return {device + u"&REV_" + hex4(word(12)), device};
    case BusQueryCompatibleIDs:
      return compatibleIds(port, d);
    case BusQueryInstanceID: {
      // The serial when the device has one (it then keeps its node on any port), else the port.
      std::u16string serial = serialNumber(port, d);
      return {serial.empty() ? u"1&0&" + nt::widen(std::to_string(port.number)) : serial};
    }
    default:
      return {};
  }
}

void HostController::fillCapabilities(nt::BusChild& child, DEVICE_CAPABILITIES& caps) {
  auto& port = static_cast<Port&>(child);
  DEVICE_CAPABILITIES mine = port.capabilities;
  mine.Size = caps.Size;
  mine.Version = caps.Version;
  mine.Address = static_cast<ULONG>(port.number);
  mine.UINumber = static_cast<ULONG>(port.number);
  caps = mine;
}

// Still plugged in: its transfers end and it returns to the unconfigured state.
void HostController::removedWhilePresent(nt::BusChild& child) {
  auto& port = static_cast<Port&>(child);
  std::vector<UCHAR> endpoints;
  {
    std::lock_guard lock(mutex_);
    for (auto& [address, pipe] : port.pipes) endpoints.push_back(address);
  }
  for (UCHAR endpoint : endpoints) abortPipe(port, endpoint);
}

NTSTATUS HostController::powerRequest(nt::BusChild& child, const IO_STACK_LOCATION& location) {
  auto& port = static_cast<Port&>(child);
  std::lock_guard lock(mutex_);
  port.power.push_back({location.MinorFunction, location.Parameters.Power.Type, location.Parameters.Power.State});
  return port.deviceQueryPowerStatus;
}

}  // namespace usb
