#include "sim/Instrument.h"

#include <algorithm>

#include "sim/MemoryPrefill.h"
#include "sim/Reply.h"
#include "sim/ScenarioLibrary.h"
#include "sim/UsbDescriptors.h"

namespace sim {
namespace {

constexpr uint8_t kIsoIn = 0x83;
constexpr uint8_t kIsoOut = 0x03;
constexpr auto kIdleWake = std::chrono::milliseconds(20);

bool knownEndpoint(uint8_t ep) {
  return ep == 0x81 || ep == 0x01 || ep == 0x82 || ep == 0x02 || ep == kIsoIn || ep == kIsoOut;
}

}  // namespace

Instrument::Instrument(InstrumentOptions options) : options_(std::move(options)), clock_(options_.clock) {
  if (options_.prefillMemory) prefillMemory(firmware_);
  const bool measures = options_.clock.mode == TimeMode::RealTime && !options_.instantVoltMeter;
  firmware_.meter().setMeasuringTime(measures ? VoltMeter::kMeasuringTime : 0);
  if (!options_.scenario.empty()) {
    if (auto s = builtinScenario(options_.scenario)) firmware_.loadScenario(std::move(*s), clock_.now());
  }
  if (options_.clock.mode == TimeMode::RealTime) thread_ = std::thread([this] { threadMain(); });
}

Instrument::~Instrument() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

// ---- the firmware thread (real time only)

void Instrument::threadMain() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    auto wakeAt = std::chrono::steady_clock::now() + kIdleWake;
    for (const Delayed& d : delayed_) wakeAt = std::min(wakeAt, clock_.deadlineOf(d.due));
    wake_.wait_until(lock, wakeAt);
    if (stopping_) break;
    Wakeups w;
    release(clock_.now(), w);
    lock.unlock();
    deliver(w);
    lock.lock();
  }
}

// ---- replies

void Instrument::release(Micros now, Wakeups& w) {
  firmware_.advance(now);
  bool streaming = firmware_.stream().streaming();
  if (streaming != streamWasOn_) {
    transcript_.add(now, TranscriptKind::Stream, kIsoIn, streaming ? "start" : "stop");
    streamWasOn_ = streaming;
  }
  auto due = std::stable_partition(delayed_.begin(), delayed_.end(), [&](const Delayed& d) { return d.due > now; });
  std::vector<Delayed> ready(std::make_move_iterator(due), std::make_move_iterator(delayed_.end()));
  delayed_.erase(due, delayed_.end());
  for (Delayed& d : ready) queueReply(d.port, std::move(d.reply), "delayed", w);
}

void Instrument::queueReply(int port, std::string reply, std::string note, Wakeups& w) {
  CommandPort& p = ports_[port];
  transcript_.add(clock_.now(), TranscriptKind::Reply, p.inEndpoint(), reply, std::move(note));
  p.queueReply(std::move(reply));
  w.ready.push_back(p.inEndpoint());
}

void Instrument::runCommand(int port, CommandPort::Command command, Wakeups& w) {
  CommandPort& p = ports_[port];
  clock_.onCommand();
  Micros now = clock_.now();
  release(now, w);
  transcript_.add(now, TranscriptKind::Command, p.outEndpoint(), command.bytes, command.tooLong ? "too long" : "");
  if (faults_.unplugOn(command.bytes)) {
    unplugged_ = true;
    transcript_.add(now, TranscriptKind::Unplug, p.outEndpoint(), command.bytes, "unplugged on command");
    w.unplug = true;
    return;
  }
  for (std::string& old : p.takeUnread()) {
    transcript_.add(now, TranscriptKind::ReplyDiscarded, p.inEndpoint(), std::move(old), "unread when a command came");
  }
  if (late_) {
    auto [latePort, lateReply] = std::move(*late_);
    late_.reset();
    queueReply(latePort, std::move(lateReply), "late", w);
  }
  std::string reply = command.tooLong ? errorReply(kErrTooLong, command.bytes) : firmware_.execute(command.bytes, now);
  const Micros measuring = firmware_.takeReplyDelay();
  FaultPlan::Outcome out = faults_.apply(std::move(reply));
  if (out.fate == FaultPlan::Fate::Send && measuring > 0) {
    out.fate = FaultPlan::Fate::Delay;
    out.delay = measuring;
  }
  switch (out.fate) {
    case FaultPlan::Fate::Send:
      queueReply(port, std::move(out.reply), out.note, w);
      break;
    case FaultPlan::Fate::Drop:
      transcript_.add(now, TranscriptKind::ReplyDropped, p.inEndpoint(), std::move(out.reply), "dropped");
      break;
    case FaultPlan::Fate::Delay:
      transcript_.add(now, TranscriptKind::ReplyHeld, p.inEndpoint(), out.reply, "delayed");
      delayed_.push_back({now + out.delay, port, std::move(out.reply)});
      wake_.notify_all();
      break;
    case FaultPlan::Fate::Late:
      transcript_.add(now, TranscriptKind::ReplyHeld, p.inEndpoint(), out.reply, "late");
      late_.emplace(port, std::move(out.reply));
      break;
  }
}

void Instrument::deliver(const Wakeups& w) {
  DataReady ready;
  std::function<void()> unplug;
  {
    std::lock_guard lock(mutex_);
    ready = dataReady_;
    unplug = unplugHandler_;
  }
  if (ready) {
    for (uint8_t ep : w.ready) ready(ep);
  }
  if (w.unplug && unplug) unplug();
}

// ---- USB face

std::vector<uint8_t> Instrument::deviceDescriptor() const { return deviceDescriptorBytes(); }
std::vector<uint8_t> Instrument::configurationDescriptor() const { return configurationDescriptorBytes(); }

CommandPort* Instrument::portForOut(uint8_t endpoint) {
  if (endpoint == 0x01) return &ports_[0];
  if (endpoint == 0x02) return &ports_[1];
  return nullptr;
}

CommandPort* Instrument::portForIn(uint8_t endpoint) {
  if (endpoint == 0x81) return &ports_[0];
  if (endpoint == 0x82) return &ports_[1];
  return nullptr;
}

usb::Handshake Instrument::stall(uint8_t endpoint, const char* why) {
  transcript_.add(clock_.now(), TranscriptKind::Stall, endpoint, {}, why);
  return usb::Handshake::Stall;
}

usb::Handshake Instrument::control(const usb::SetupPacket& setup, std::span<const uint8_t> /*out*/,
                                   std::vector<uint8_t>& in) {
  Wakeups w;
  usb::Handshake result;
  {
    std::lock_guard lock(mutex_);
    in.clear();
    if (unplugged_) return usb::Handshake::Nak;
    uint8_t type = setup.bmRequestType & 0x60;
    if (type == usb::kRequestTypeVendor)
      result = vendorRequest(setup, w);
    else if (type == usb::kRequestTypeStandard)
      result = standardRequest(setup, in);
    else
      result = stall(0, "class request");
    if (in.size() > setup.wLength) in.resize(setup.wLength);
  }
  deliver(w);
  return result;
}

usb::Handshake Instrument::vendorRequest(const usb::SetupPacket& setup, Wakeups& w) {
  Micros now = clock_.now();
  transcript_.add(now, TranscriptKind::Vendor, setup.bRequest, {}, setup.deviceToHost() ? "IN" : "OUT");
  if (setup.bRequest == 1 && !setup.deviceToHost()) {
    for (CommandPort& p : ports_) {
      for (std::string& old : p.takeUnread()) {
        transcript_.add(now, TranscriptKind::ReplyDiscarded, p.inEndpoint(), std::move(old), "vendor request 1");
      }
      p.clear();
    }
    for (Delayed& d : delayed_) {
      transcript_.add(now, TranscriptKind::ReplyDiscarded, ports_[d.port].inEndpoint(), std::move(d.reply),
                      "vendor request 1");
    }
    delayed_.clear();
    late_.reset();
    return usb::Handshake::Ack;
  }
  if ((setup.bRequest == 4 || setup.bRequest == 5) && setup.deviceToHost()) {
    int port = setup.bRequest == 4 ? 0 : 1;
    if (auto held = ports_[port].endHeldCommand()) runCommand(port, std::move(*held), w);
    return usb::Handshake::Ack;
  }
  return stall(0, "unknown vendor request");
}

usb::Handshake Instrument::standardRequest(const usb::SetupPacket& setup, std::vector<uint8_t>& in) {
  Micros now = clock_.now();
  transcript_.add(now, TranscriptKind::Standard, setup.bRequest, {},
                  "wValue " + std::to_string(setup.wValue) + " wIndex " + std::to_string(setup.wIndex));
  uint8_t recipient = setup.bmRequestType & 0x1F;
  uint8_t ep = static_cast<uint8_t>(setup.wIndex & 0xFF);
  switch (setup.bRequest) {
    case 0x06: {  // GET_DESCRIPTOR
      uint8_t type = static_cast<uint8_t>(setup.wValue >> 8);
      uint8_t index = static_cast<uint8_t>(setup.wValue & 0xFF);
      if (type == usb::kDescriptorDevice)
        in = deviceDescriptorBytes();
      else if (type == usb::kDescriptorConfiguration && index == 0)
        in = configurationDescriptorBytes();
      else if (type == usb::kDescriptorString)
        in = stringDescriptorBytes(index);
      return in.empty() ? stall(0, "no such descriptor") : usb::Handshake::Ack;
    }
    case 0x09:  // SET_CONFIGURATION
      if (setup.wValue > kConfigurationValue) return stall(0, "no such configuration");
      configuration_ = static_cast<uint8_t>(setup.wValue);
      transcript_.add(now, TranscriptKind::Configuration, configuration_, {});
      if (configuration_ == 0) firmware_.stream().stop();
      return usb::Handshake::Ack;
    case 0x08:  // GET_CONFIGURATION
      in = {configuration_};
      return usb::Handshake::Ack;
    case 0x0B:  // SET_INTERFACE: only alternate setting 0 exists
      return setup.wValue == 0 && setup.wIndex == 0 ? usb::Handshake::Ack : stall(0, "no such alternate setting");
    case 0x05:  // SET_ADDRESS
      return usb::Handshake::Ack;
    case 0x00:  // GET_STATUS
      if (recipient == usb::kRecipientEndpoint)
        in = {static_cast<uint8_t>(halted_.count(ep) ? 1 : 0), 0};
      else
        in = {0, 0};
      return usb::Handshake::Ack;
    case usb::kRequestClearFeature:
    case usb::kRequestSetFeature:
      if (recipient != usb::kRecipientEndpoint || setup.wValue != usb::kFeatureEndpointHalt || !knownEndpoint(ep))
        return stall(0, "unsupported feature");
      if (setup.bRequest == usb::kRequestSetFeature) {
        halted_.insert(ep);
      } else {
        halted_.erase(ep);
        transcript_.add(now, TranscriptKind::ClearHalt, ep, {});
      }
      return usb::Handshake::Ack;
    default:
      return stall(0, "unsupported standard request");
  }
}

usb::Handshake Instrument::bulkOut(uint8_t endpoint, std::span<const uint8_t> packet) {
  Wakeups w;
  usb::Handshake result = usb::Handshake::Ack;
  {
    std::lock_guard lock(mutex_);
    if (unplugged_) return usb::Handshake::Nak;
    CommandPort* port = portForOut(endpoint);
    if (port == nullptr || configuration_ == 0) return stall(endpoint, "not a configured bulk OUT endpoint");
    if (halted_.count(endpoint)) return stall(endpoint, "halted");
    if (packet.size() > kBulkPacket) return stall(endpoint, "packet over 64 bytes");
    if (auto command = port->receive(packet)) runCommand(port == &ports_[0] ? 0 : 1, std::move(*command), w);
  }
  deliver(w);
  return result;
}

usb::Handshake Instrument::bulkIn(uint8_t endpoint, std::size_t maxPacket, std::vector<uint8_t>& packet) {
  Wakeups w;
  usb::Handshake result;
  {
    std::lock_guard lock(mutex_);
    packet.clear();
    if (unplugged_) return usb::Handshake::Nak;
    CommandPort* port = portForIn(endpoint);
    if (port == nullptr || configuration_ == 0) return stall(endpoint, "not a configured bulk IN endpoint");
    if (halted_.count(endpoint)) return stall(endpoint, "halted");
    release(clock_.now(), w);
    auto next = port->nextPacket(maxPacket, options_.zeroLengthAfterFullReply);
    if (next) packet = std::move(*next);
    result = next ? usb::Handshake::Ack : usb::Handshake::Nak;
  }
  deliver(w);
  return result;
}

usb::Handshake Instrument::isoIn(uint8_t endpoint, uint32_t frame, std::size_t maxPacket,
                                 std::vector<uint8_t>& packet) {
  Wakeups w;
  {
    std::lock_guard lock(mutex_);
    packet.clear();
    if (unplugged_) return usb::Handshake::Ack;
    if (endpoint != kIsoIn || configuration_ == 0) return stall(endpoint, "not a configured isochronous IN endpoint");
    if (halted_.count(endpoint)) return stall(endpoint, "halted");
    packet = firmware_.stream().packet(frame);
    if (packet.size() > maxPacket) packet.resize(maxPacket);
    if (!packet.empty() && faults_.blankIsoPacket()) {
      packet.clear();
      transcript_.add(clock_.now(), TranscriptKind::Fault, endpoint, {}, "isochronous packet blanked");
    }
    if (faults_.unplugOnIsoPacket()) {
      unplugged_ = true;
      transcript_.add(clock_.now(), TranscriptKind::Unplug, endpoint, {}, "unplugged after isochronous packets");
      w.unplug = true;
    }
  }
  deliver(w);
  return usb::Handshake::Ack;
}

void Instrument::clearHalt(uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  halted_.erase(endpoint);
  transcript_.add(clock_.now(), TranscriptKind::ClearHalt, endpoint, {});
}

void Instrument::reset() {
  std::lock_guard lock(mutex_);
  configuration_ = 0;
  halted_.clear();
  for (CommandPort& p : ports_) p.clear();
  delayed_.clear();
  late_.reset();
  firmware_.stream().stop();
  unplugged_ = false;
  transcript_.add(clock_.now(), TranscriptKind::Reset, 0, {});
}

void Instrument::setConfiguration(uint8_t value) {
  std::lock_guard lock(mutex_);
  configuration_ = value <= kConfigurationValue ? value : configuration_;
  if (configuration_ == 0) firmware_.stream().stop();
  transcript_.add(clock_.now(), TranscriptKind::Configuration, value, {});
}

// In real time the firmware thread releases every delayed reply when it is due and announces it;
// a stepped clock releases replies when the host asks, so the bus has to keep asking.
bool Instrument::announcesBulkInData() const { return options_.clock.mode == TimeMode::RealTime; }

void Instrument::setDataReadyCallback(DataReady callback) {
  std::lock_guard lock(mutex_);
  dataReady_ = std::move(callback);
}

// ---- simulation control

void Instrument::loadScenario(const Scenario& scenario) {
  std::lock_guard lock(mutex_);
  firmware_.loadScenario(scenario, clock_.now());
}

bool Instrument::loadScenario(std::string_view builtinName) {
  auto s = builtinScenario(builtinName);
  if (!s) return false;
  loadScenario(*s);
  return true;
}

void Instrument::advance(Micros step) {
  Wakeups w;
  {
    std::lock_guard lock(mutex_);
    clock_.advance(step);
    release(clock_.now(), w);
  }
  deliver(w);
}

Micros Instrument::now() const {
  std::lock_guard lock(mutex_);
  return clock_.now();
}

void Instrument::powerCycle() {
  std::lock_guard lock(mutex_);
  firmware_.powerCycle();
  for (CommandPort& p : ports_) p.clear();
  delayed_.clear();
  late_.reset();
}

void Instrument::stallEndpoint(uint8_t endpoint) {
  std::lock_guard lock(mutex_);
  halted_.insert(endpoint);
  transcript_.add(clock_.now(), TranscriptKind::Fault, endpoint, {}, "endpoint halted");
}

bool Instrument::halted(uint8_t endpoint) const {
  std::lock_guard lock(mutex_);
  return halted_.count(endpoint) != 0;
}

uint8_t Instrument::configuration() const {
  std::lock_guard lock(mutex_);
  return configuration_;
}

bool Instrument::unplugged() const {
  std::lock_guard lock(mutex_);
  return unplugged_;
}

void Instrument::setUnplugHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  unplugHandler_ = std::move(handler);
}

}  // namespace sim
