#pragma once

// What a device plugged into the simulated USB bus provides: the seam between the bus (host
// controller, hub, the device's PDO) and the devices behind it (the simulated instrument, test
// devices). Endpoint level only: the bus owns URBs, pipes, IRPs and timing; a model sees setup
// packets and data packets. Plain C++ with no other dependency.
//
// Threads: the bus calls a model from its own completion context, one call at a time per
// model. A model may produce data on its own threads; it then calls the data-ready callback so
// the bus retries pending IN transfers instead of polling.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace usb {

// Standard setup packet of a control transfer (USB 2.0, 9.3).
struct SetupPacket {
  uint8_t bmRequestType = 0;  // bit 7: direction (1 = device to host); bits 6..5: type; 4..0: recipient
  uint8_t bRequest = 0;
  uint16_t wValue = 0;
  uint16_t wIndex = 0;
  uint16_t wLength = 0;

  bool deviceToHost() const { return (bmRequestType & 0x80) != 0; }
};

// bmRequestType pieces.
constexpr uint8_t kRequestDirIn = 0x80;
constexpr uint8_t kRequestTypeStandard = 0x00;
constexpr uint8_t kRequestTypeClass = 0x20;
constexpr uint8_t kRequestTypeVendor = 0x40;
constexpr uint8_t kRecipientDevice = 0x00;
constexpr uint8_t kRecipientInterface = 0x01;
constexpr uint8_t kRecipientEndpoint = 0x02;

// Standard requests and features the bus itself may forward.
constexpr uint8_t kRequestClearFeature = 0x01;
constexpr uint8_t kRequestSetFeature = 0x03;
constexpr uint16_t kFeatureEndpointHalt = 0x00;

// Descriptor types.
constexpr uint8_t kDescriptorDevice = 1;
constexpr uint8_t kDescriptorConfiguration = 2;
constexpr uint8_t kDescriptorString = 3;
constexpr uint8_t kDescriptorInterface = 4;
constexpr uint8_t kDescriptorEndpoint = 5;

// How a device answers one transaction.
enum class Handshake {
  Ack,    // data moved (an IN packet may be shorter than the maximum: that ends the transfer)
  Nak,    // no data now; the bus retries (IN) or resends (OUT) later
  Stall,  // the endpoint is halted or the request refused
};

class UsbDeviceModel {
 public:
  virtual ~UsbDeviceModel() = default;

  // Full descriptors as bytes: the 18-byte device descriptor and the whole configuration
  // (configuration, interfaces, endpoints; wTotalLength bytes).
  virtual std::vector<uint8_t> deviceDescriptor() const = 0;
  virtual std::vector<uint8_t> configurationDescriptor() const = 0;

  // A control transfer on endpoint 0. For host-to-device requests `out` holds the data stage;
  // for device-to-host requests the model fills `in` (the bus cuts it to wLength).
  virtual Handshake control(const SetupPacket& setup, std::span<const uint8_t> out, std::vector<uint8_t>& in) = 0;

  // One bulk OUT packet (at most the endpoint's maximum packet size) to `endpoint` (0x01..0x0F).
  virtual Handshake bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) = 0;

  // One bulk IN packet from `endpoint` (0x81..0x8F): fill at most `maxPacket` bytes and Ack,
  // or Nak when nothing is ready.
  virtual Handshake bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) = 0;

  // The isochronous IN packet of bus frame `frame` (0..maxPacket bytes; an empty packet is
  // valid). Isochronous endpoints never Nak; Stall reports a halted endpoint.
  virtual Handshake isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket, std::vector<uint8_t>& packet) = 0;

  // The host cleared ENDPOINT_HALT or reset the pipe: the endpoint's halt and data toggle clear.
  virtual void clearHalt(uint8_t endpoint) = 0;

  // Port reset: the device returns to its default (unconfigured) state.
  virtual void reset() = 0;

  // The configuration the host selected (0 = unconfigured).
  virtual void setConfiguration(uint8_t value) = 0;

  // The bus installs this; the model calls it (from any thread) when an IN endpoint has data.
  using DataReady = std::function<void(uint8_t endpoint)>;
  virtual void setDataReadyCallback(DataReady callback) = 0;

  // True when the model calls data-ready for every piece of bulk IN data it makes available:
  // the bus then waits for that call instead of retrying a refused (Nak) bulk IN every frame.
  virtual bool announcesBulkInData() const { return false; }
};

}  // namespace usb
