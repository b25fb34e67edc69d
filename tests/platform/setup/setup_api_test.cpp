// The setup-API calls over a machine's records: snapshots and their flags, the platform's buffer
// and error conventions, the failure hook, handle counts and the message formatter.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/MessageFormat.h"
#include "platform/setup/SetupApi.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/LastError.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

std::vector<std::string> instanceIds(HDEVINFO set) {
  std::vector<std::string> ids;
  SP_DEVINFO_DATA d{};
  d.cbSize = sizeof d;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &d); ++i) {
    char id[200];
    EXPECT_TRUE(SetupDiGetDeviceInstanceIdA(set, &d, id, sizeof id, nullptr));
    ids.push_back(id);
  }
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  return ids;
}

class SetupApi : public testing::Test {
 protected:
  void SetUp() override {
    setsBefore = setup::OpenDeviceInfoSets();
    // One instrument present, one other product recorded and then unplugged.
    int gone = rig.plugInstrument(0x0202);
    ASSERT_NE(gone, 0);
    rig.machine().unplug(gone);
    ASSERT_NE(rig.plugInstrument(), 0);
  }
  void TearDown() override {
    setup::ClearFailures();
    EXPECT_EQ(setup::OpenDeviceInfoSets(), setsBefore);
  }

  SetupRig rig{{.storeProgramInf = true}};
  std::size_t setsBefore = 0;
};

TEST_F(SetupApi, SnapshotsFollowPresentAndClassFlags) {
  HDEVINFO all = SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES, nullptr, nullptr, nullptr);
  ASSERT_NE(all, INVALID_HANDLE_VALUE);
  EXPECT_EQ(instanceIds(all), (std::vector<std::string>{"USB\\VID_0452&PID_0201\\ORU14400-000001",
                                                        "USB\\VID_0452&PID_0202\\ORU14400-000001"}));
  HDEVINFO present =
      SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT, nullptr, nullptr, nullptr);
  EXPECT_EQ(instanceIds(present), std::vector<std::string>{"USB\\VID_0452&PID_0201\\ORU14400-000001"});

  GUID orupc{};
  DWORD found = 0;
  ASSERT_TRUE(SetupDiClassGuidsFromNameExA("orupc", &orupc, 1, &found, nullptr, nullptr));
  EXPECT_EQ(found, 1u);
  HDEVINFO byClass = SetupDiGetClassDevsExA(&orupc, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(instanceIds(byClass).size(), 1u);
  EXPECT_TRUE(SetupDiClassGuidsFromNameExA("NoSuchClass", &orupc, 1, &found, nullptr, nullptr));
  EXPECT_EQ(found, 0u);

  EXPECT_EQ(setup::OpenDeviceInfoSets(), setsBefore + 3);
  for (HDEVINFO set : {all, present, byClass}) EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(all));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(SetupApi, ARemoteMachineFails) {
  EXPECT_EQ(SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES, nullptr, "\\\\elsewhere-host", nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MACHINENAME);
  GUID g;
  DWORD n;
  EXPECT_FALSE(SetupDiClassGuidsFromNameExA("ORUpc", &g, 1, &n, "elsewhere-host", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MACHINENAME);
}

TEST_F(SetupApi, BuffersPropertiesAndIdsFollowThePlatformsConventions) {
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA d{};
  d.cbSize = sizeof d;
  EXPECT_FALSE(SetupDiOpenDeviceInfoA(set, "USB\\VID_0000&PID_0000\\X", nullptr, 0, &d));
  EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST);
  ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, "usb\\vid_0452&pid_0201\\oru14400-000001", nullptr, 0, &d));

  char small[4];
  DWORD required = 0;
  EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(set, &d, small, sizeof small, &required));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(required, std::strlen("USB\\VID_0452&PID_0201\\ORU14400-000001") + 1);
  char id[200];
  EXPECT_EQ(CM_Get_Device_ID_ExA(d.DevInst, small, sizeof small, 0, nullptr), CR_BUFFER_SMALL);
  ASSERT_EQ(CM_Get_Device_ID_ExA(d.DevInst, id, sizeof id, 0, nullptr), CR_SUCCESS);
  EXPECT_STREQ(id, "USB\\VID_0452&PID_0201\\ORU14400-000001");

  DWORD type = 0;
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &d, SPDRP_HARDWAREID, &type, nullptr, 0, &required));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(type, REG_MULTI_SZ);
  std::vector<BYTE> ids(required);
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &d, SPDRP_HARDWAREID, &type, ids.data(), required, nullptr));
  EXPECT_EQ(ids.size(),
            std::strlen(reinterpret_cast<char*>(ids.data())) + 1 + std::strlen("USB\\VID_0452&PID_0201") + 2);
  BYTE text[64];
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &d, SPDRP_SERVICE, &type, text, sizeof text, nullptr));
  EXPECT_STREQ(reinterpret_cast<char*>(text), "ORUpc");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &d, SPDRP_FRIENDLYNAME, &type, text, sizeof text, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);

  SP_DEVINFO_DATA wrong = d;
  wrong.cbSize = 4;
  EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(set, &wrong, id, sizeof id, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set, &d));
  EXPECT_EQ(GetLastError(), ERROR_NO_CLASSINSTALL_PARAMS);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST_F(SetupApi, TheHookFailsTheChosenCallOnce) {
  setup::FailNextCall("SetupDiGetClassDevsExA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES, nullptr, nullptr, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  HDEVINFO set = SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES, nullptr, nullptr, nullptr);
  EXPECT_NE(set, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
}

TEST(MessageFormat, ReadsTheMessageTableAndTheErrorTexts) {
  char text[128];
  DWORD_PTR args[] = {3};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, 61203, 0, text,
                           sizeof text, reinterpret_cast<va_list*>(args));
  EXPECT_STREQ(text, "3 device(s) removed; a restart is needed to finish.\r\n");
  EXPECT_EQ(n, std::strlen(text));
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, 61203, 0, text, 10,
                           reinterpret_cast<va_list*>(args)),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE, nullptr, 61999, 0, text, sizeof text, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text, sizeof text, nullptr),
            0u);
  EXPECT_STREQ(text, "The file was not found.\r\n");

  DWORD_PTR mixed[] = {reinterpret_cast<DWORD_PTR>("ab"), 255};
  FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "[%1!-4s!|%2!04x!|%%|%1]%0tail", 0, 0,
                 text, sizeof text, reinterpret_cast<va_list*>(mixed));
  EXPECT_STREQ(text, "[ab  |00ff|%|ab]");
  FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 and %2!d!", 0, 0, text, sizeof text,
                 nullptr);
  EXPECT_STREQ(text, "%1 and %2!d!");
}

}  // namespace
}  // namespace setuptest
