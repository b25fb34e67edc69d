// Moving one pending transfer forward against its device model, packet by packet, as far as the
// device lets it go now.

#include <algorithm>
#include <cstring>

#include "platform/usb/BusPort.h"
#include "platform/usb/HostController.h"

namespace usb {

namespace {

constexpr uint8_t kGetDescriptor = 0x06;

}  // namespace

// True when the transfer has ended (status set); false while the device refuses (NAK) or the
// frames of its packets have not come yet.
bool HostController::step(Port& port, Transfer& t, USBD_STATUS& status, bool& announced) {
  std::lock_guard model(port.modelMutex);
  UsbDeviceModel* m = port.model;
  if (!m) {
    status = USBD_STATUS_DEVICE_GONE;
    return true;
  }
  announced = m->announcesBulkInData();
  auto halt = [&] {
    std::lock_guard lock(mutex_);
    auto it = port.pipes.find(t.endpoint);
    if (it != port.pipes.end()) it->second->halted = true;
  };
  switch (t.kind) {
    case TransferKind::Control: {
      std::vector<uint8_t> in;
      Handshake h;
      uint8_t type = static_cast<uint8_t>(t.setup.wValue >> 8);
      bool descriptor = t.setup.bmRequestType == 0x80 && t.setup.bRequest == kGetDescriptor;
      if (descriptor && type == kDescriptorDevice) {
        in = m->deviceDescriptor();
        h = Handshake::Ack;
      } else if (descriptor && type == kDescriptorConfiguration) {
        if ((t.setup.wValue & 0xFF) == 0) in = m->configurationDescriptor();
        h = in.empty() ? Handshake::Stall : Handshake::Ack;
      } else {
        std::span<const uint8_t> out;
        if (!t.setup.deviceToHost() && t.buffer) out = std::span<const uint8_t>(t.buffer, t.length);
        h = m->control(t.setup, out, in);
      }
      if (h == Handshake::Nak) return false;
      if (h == Handshake::Stall) {
        status = USBD_STATUS_STALL_PID;
        return true;
      }
      if (t.setup.deviceToHost()) {
        t.done = static_cast<ULONG>(std::min<std::size_t>(in.size(), t.length));
        if (t.done) std::memcpy(t.buffer, in.data(), t.done);
      } else {
        t.done = t.length;
      }
      if (t.standardClearHalt) {
        std::lock_guard lock(mutex_);
        auto it = port.pipes.find(static_cast<UCHAR>(t.setup.wIndex & 0xFF));
        if (it != port.pipes.end()) it->second->halted = false;
      }
      status = USBD_STATUS_SUCCESS;
      return true;
    }
    case TransferKind::BulkOut:
      // Packets of the maximum size; a zero-length transfer is one empty packet, and a transfer
      // that ends on a full packet gets no empty one after it.
      do {
        ULONG piece = std::min<ULONG>(t.maxPacket, t.length - t.done);
        Handshake h = m->bulkOut(t.endpoint, std::span<const uint8_t>(t.buffer ? t.buffer + t.done : nullptr, piece));
        if (h == Handshake::Nak) return false;
        if (h == Handshake::Stall) {
          halt();
          status = USBD_STATUS_STALL_PID;
          return true;
        }
        t.done += piece;
      } while (t.done < t.length);
      status = USBD_STATUS_SUCCESS;
      return true;
    case TransferKind::BulkIn:
      while (t.done < t.length) {
        std::vector<uint8_t> packet;
        Handshake h = m->bulkIn(t.endpoint, t.maxPacket, packet);
        if (h == Handshake::Nak) return false;
        if (h == Handshake::Stall) {
          halt();
          status = USBD_STATUS_STALL_PID;
          return true;
        }
        if (packet.size() > t.maxPacket) {
          halt();
          status = USBD_STATUS_BABBLE_DETECTED;
          return true;
        }
        ULONG room = t.length - t.done;
        ULONG n = static_cast<ULONG>(std::min<std::size_t>(packet.size(), room));
        if (n) std::memcpy(t.buffer + t.done, packet.data(), n);
        t.done += n;
        if (packet.size() > room) {
          status = USBD_STATUS_DATA_OVERRUN;
          return true;
        }
        if (packet.size() < t.maxPacket) {
          status = t.shortOk ? USBD_STATUS_SUCCESS : USBD_STATUS_ERROR_SHORT_TRANSFER;
          return true;
        }
      }
      status = USBD_STATUS_SUCCESS;
      return true;
    case TransferKind::IsoIn: {
      auto& iso = t.urb->UrbIsochronousTransfer;
      uint32_t frame = currentFrame();
      while (t.nextPacket < t.packets && static_cast<int32_t>(t.startFrame + t.nextPacket - frame) <= 0) {
        ULONG j = t.nextPacket++;
        ULONG offset = iso.IsoPacket[j].Offset;
        ULONG end = j + 1 < t.packets ? iso.IsoPacket[j + 1].Offset : t.length;
        ULONG room = end > offset && offset <= t.length ? std::min(end, t.length) - offset : 0;
        std::size_t max = std::min<std::size_t>(t.maxPacket, room);
        std::vector<uint8_t> packet;
        Handshake h = m->isoIn(t.endpoint, t.startFrame + j, max, packet);
        if (h == Handshake::Ack) {
          ULONG n = static_cast<ULONG>(std::min(packet.size(), max));
          if (n) std::memcpy(t.buffer + offset, packet.data(), n);
          iso.IsoPacket[j].Length = n;
          iso.IsoPacket[j].Status = USBD_STATUS_SUCCESS;
        } else {
          iso.IsoPacket[j].Length = 0;
          iso.IsoPacket[j].Status = h == Handshake::Stall ? USBD_STATUS_STALL_PID : USBD_STATUS_NOT_ACCESSED;
        }
      }
      if (t.nextPacket < t.packets) return false;
      status = USBD_STATUS_SUCCESS;
      return true;
    }
  }
  status = USBD_STATUS_INTERNAL_HC_ERROR;
  return true;
}

}  // namespace usb
