#include <gtest/gtest.h>

#include "driver/OruInterface.h"
#include "platform/win32/Win32.h"
#include "shell/SimulatedSystem.h"

// The program's own machine: the device opens through the driver while the instrument is
// plugged in and is gone after it is unplugged; shutting down leaves the verifier log clean.
TEST(SimulatedSystem, InstrumentOpensThroughTheDriverUntilUnplugged)
{
    std::vector<nt::VerifierRecord> log;
    {
        SimulatedSystem system;
        ASSERT_NE(system.instrumentPort(), 0);

        HANDLE device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(CloseHandle(device));

        system.unplugInstrument();
        EXPECT_EQ(system.instrumentPort(), 0);
        device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_FLAG_OVERLAPPED, nullptr);
        EXPECT_EQ(device, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

        system.plugInstrument();
        device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(CloseHandle(device));
        log = system.shutdown();
    }
    for (const auto& record : log)
        ADD_FAILURE() << record.text;
}
