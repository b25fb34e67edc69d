#include "WorkerRig.h"
#include "link/store/LinkAccess.h"

namespace e2e {
namespace {

using Notes = std::vector<UINT>;
using Texts = std::vector<std::string>;

// What the instrument sees of one initialisation: the abort request before each stop, and
// vendor request 4 ahead of every reply read.
const Texts kInitialisation = {"V1", "TC:2",           "V4", "V1", "CA:2", "V4", "GC:18:19",
                               "V4", "SC:4:0:5:0:6:0", "V4", "VN", "V4"};

class Startup : public WorkerRig {};

TEST_F(Startup, ColdStartWithoutInstrumentThenPlugIn) {
  StartFrame();
  StartWorker();
  EXPECT_NE(context.commThreadId, 0u);
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  // Anything the worker would say before it knows the frame is lost.
  Post(WM_ORU_DEVICE_DISCONNECTED);
  Post(WM_ORU_ABORT_CAPTURE);
  Post(WM_ORU_STOP_TRIGGERED_TRACE);
  ConnectNotifications();
  EXPECT_EQ(notes.Ids(), (Notes{WM_ORU_DISABLE_V21, WM_ORU_DISABLE_60S_SPAN}));
  // Without an instrument every command fails at once: an abort answers straight away.
  Post(WM_ORU_ABORT_CAPTURE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_ABORT_CAPTURE, kHangMs));
  notes.Clear();

  Plug();
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_CONNECTED, kHangMs));
  EXPECT_EQ(frame_->arrivals(), 1);
  EXPECT_EQ(Traffic(Instrument()), kInitialisation);
  // The trace abort's answer ends any trace; the version check enables both features.
  EXPECT_EQ(notes.Ids(), (Notes{WM_ORU_START_SIGNAL_TRACE, WM_ORU_STOP_TRIGGERED_TRACE, WM_ORU_ENABLE_V21,
                                WM_ORU_ENABLE_60S_SPAN, WM_ORU_DEVICE_CONNECTED}));
  EXPECT_EQ(store.firmwareNewA, 1);
  EXPECT_EQ(store.firmwareNewB, 1);
  auto& fields = LinkFields(store);
  EXPECT_EQ(fields.sysCfg.firmwareVersion, "V 1.0.8");
  EXPECT_DOUBLE_EQ(fields.sysCfg.value1, 0.005);
  EXPECT_DOUBLE_EQ(fields.sysCfg.value2, -0.1);
}

TEST_F(Startup, AnInstrumentPresentAtStartIsInitialisedQuietly) {
  Plug();
  Instrument().withFirmware([](sim::Firmware& f) { f.setVersion("V 1.0.7"); });
  auto& fields = LinkFields(store);
  fields.sysCfg.item4 = 7;
  fields.sysCfg.item5 = 9;
  fields.sysCfg.modem3Volume = 128;
  StartFrame();
  StartWorker();
  ConnectNotifications();
  // The start-up notifications were dropped; the frame's handle brings the stored flags.
  EXPECT_EQ(notes.Ids(), (Notes{WM_ORU_DISABLE_V21, WM_ORU_DISABLE_60S_SPAN}));
  EXPECT_EQ(Commands(Instrument()), (Texts{"TC:2", "CA:2", "GC:18:19", "SC:4:7:5:9:6:128", "VN"}));
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.config().value(6); }), 128);
  EXPECT_EQ(frame_->arrivals(), 0);

  // Settings, then the configuration read back, then the echo.
  fields.sysCfg.standard = 3;
  fields.sysCfg.parity7E1 = 1;
  fields.sysCfg.sync = 0;
  notes.Clear();
  Post(WM_ORU_SET_CONFIG, 0x1C0);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_SET_CONFIG, kHangMs));
  EXPECT_EQ(notes.Ids(), (Notes{WM_ORU_GET_CONFIG, WM_ORU_SET_CONFIG}));
  const Texts commands = Commands(Instrument());
  EXPECT_EQ(Texts(commands.end() - 2, commands.end()), (Texts{"SC:7:3:8:1:9:0", "GC:7:8:9"}));
  EXPECT_EQ(fields.sysCfg.standard, 3);
  EXPECT_EQ(fields.sysCfg.parity7E1, 1);

  // A 2072 is answered by exactly one 2072 and sends nothing.
  notes.Clear();
  Post(WM_ORU_DEVICE_DISCONNECTED);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DEVICE_DISCONNECTED, kHangMs));
  EXPECT_EQ(Commands(Instrument()).size(), commands.size());
  EXPECT_EQ(notes.Count(), 1u);
}

TEST_F(Startup, ExitClosesTheDeviceAndClearsTheId) {
  Plug();
  StartFrame();
  StartWorker();
  ConnectNotifications();
  ASSERT_NE(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(StopWorker());
  EXPECT_EQ(context.commThreadId, 0u);
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(WaitForSingleObject(context.commExitEvent, 0), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace e2e
