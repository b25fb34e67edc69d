#include "tests/platform/setup/SetupRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver/DriverEntry.h"
#include "driver/OruInterface.h"
#include "maintenance/install/DriverInstall.h"

namespace setuptest {

namespace {

// The instrument under another product id: the same device otherwise.
class ProductIdModel final : public usb::UsbDeviceModel {
 public:
  ProductIdModel(usb::UsbDeviceModel& inner, uint16_t productId) : inner_(inner), productId_(productId) {}
  std::vector<uint8_t> deviceDescriptor() const override {
    std::vector<uint8_t> d = inner_.deviceDescriptor();
    d[10] = static_cast<uint8_t>(productId_);
    d[11] = static_cast<uint8_t>(productId_ >> 8);
    return d;
  }
  std::vector<uint8_t> configurationDescriptor() const override { return inner_.configurationDescriptor(); }
  usb::Handshake control(const usb::SetupPacket& s, std::span<const uint8_t> out, std::vector<uint8_t>& in) override {
    return inner_.control(s, out, in);
  }
  usb::Handshake bulkOut(uint8_t e, std::span<const uint8_t> p) override { return inner_.bulkOut(e, p); }
  usb::Handshake bulkIn(uint8_t e, std::size_t m, std::vector<uint8_t>& p) override { return inner_.bulkIn(e, m, p); }
  usb::Handshake isoIn(uint8_t e, uint32_t f, std::size_t m, std::vector<uint8_t>& p) override {
    return inner_.isoIn(e, f, m, p);
  }
  void clearHalt(uint8_t e) override { inner_.clearHalt(e); }
  void reset() override { inner_.reset(); }
  void setConfiguration(uint8_t v) override { inner_.setConfiguration(v); }
  void setDataReadyCallback(DataReady c) override { inner_.setDataReadyCallback(std::move(c)); }

 private:
  usb::UsbDeviceModel& inner_;
  uint16_t productId_;
};

std::deque<std::unique_ptr<ProductIdModel>>& wrappers() {
  static std::deque<std::unique_ptr<ProductIdModel>> all;  // outlive every machine
  return all;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qv-setup-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path SourceInf() { return std::filesystem::path(QV_SOURCE_DIR) / "driver" / "ORUpc.inf"; }

SetupRig::SetupRig(RigOptions options) {
  if (options.withRoot) {
    dir_ = std::make_unique<TempDir>();
    root_ = dir_->path() / "machine";
  }
  start(options);
}

SetupRig::SetupRig(const std::filesystem::path& root, RigOptions options) : root_(root) { start(options); }

void SetupRig::start(RigOptions options) {
  platform::MachineOptions machineOptions;
  machineOptions.root = root_;
  machineOptions.pnp.queryRemoveWaitMs = options.queryRemoveWaitMs;
  machine_ = std::make_unique<platform::Machine>(machineOptions);
  if (options.registerImage) machine_->installDriver(oru::kServiceName, oru::DriverEntry);
  if (options.storeProgramInf) {
    EXPECT_TRUE(StoreProgramDriverPackage(*machine_));
  }
  attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
}

SetupRig::~SetupRig() { shutdown(); }

int SetupRig::plugInstrument(uint16_t productId) {
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::Stepped;
  instruments_.push_back(std::make_unique<sim::Instrument>(options));
  if (productId == 0x0201) return machine_->plug(*instruments_.back());
  wrappers().push_back(std::make_unique<ProductIdModel>(*instruments_.back(), productId));
  return machine_->plug(*wrappers().back());
}

bool SetupRig::shutdown() {
  attached_.reset();
  if (!machine_) return true;
  bool clean = machine_->shutdown().empty();
  return clean;
}

}  // namespace setuptest
