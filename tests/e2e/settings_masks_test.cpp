#include "WorkerRig.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

class SettingsMasks : public WorkerRig {};

TEST_F(SettingsMasks, EachMaskInUseSendsItsItemsInTheFixedOrder) {
  Plug();
  StartFrame();
  StartWorker();
  ConnectNotifications();
  // The read-back after each request refreshes the record: the values are set again each time.
  auto fill = [this] {
    std::lock_guard guard(LinkFields(store).dataMutex);
    CSysCfg& cfg = LinkFields(store).sysCfg;
    cfg.modem3Volume = 200;
    cfg.standard = 2;
    cfg.parity7E1 = 0;
    cfg.sync = 1;
    cfg.trigger = 3;
    cfg.callProgress = 1;
    cfg.item14 = 4;
    cfg.item15 = 25;
    cfg.traceScale = 1;
    cfg.traceSpan = 2;
  };
  const std::vector<std::pair<ULONG, std::string>> cases = {
      {0x20, "SC:6:200"},
      {0x1C0, "SC:7:2:8:0:9:1"},
      {0x40, "SC:7:2"},
      {0x80, "SC:8:0"},
      {0x100, "SC:9:1"},
      {0x800, "SC:13:3"},
      {0x2000, "SC:99:1"},
      {0x4000, "SC:14:4"},
      {0x30800, "SC:16:1:17:2:13:3"},
      {0x34800, "SC:16:1:17:2:13:3:14:4"},
      {0x38800, "SC:16:1:17:2:13:3:15:25"},
      {0x1200, "SC"},
  };
  for (const auto& [mask, expected] : cases) {
    notes.Clear();
    fill();
    Post(WM_ORU_SET_CONFIG, mask);
    ASSERT_TRUE(notes.WaitForMessage(WM_ORU_SET_CONFIG, kHangMs));
    const std::vector<std::string> commands = Commands(Instrument());
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], expected) << std::hex << mask;
    EXPECT_EQ(commands.back(), "GC:7:8:9");
  }
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.config().value(17); }), 2);
}

}  // namespace
}  // namespace e2e
