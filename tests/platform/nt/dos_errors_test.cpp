// The status-to-Win32-error mapping that the program's error paths observe.

#include <gtest/gtest.h>

#include "platform/nt/DosErrors.h"
#include "platform/nt/NtStatus.h"

namespace {

TEST(DosErrors, StatusesTheProgramSeesMapToTheirWin32Errors) {
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_SUCCESS), 0u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_PENDING), 997u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_CANCELLED), 995u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_INVALID_DEVICE_REQUEST), 1u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_INVALID_PARAMETER), 87u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_DELETE_PENDING), 5u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_INSUFFICIENT_RESOURCES), 1450u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_UNSUCCESSFUL), 31u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_DEVICE_NOT_CONNECTED), 1167u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_OBJECT_NAME_NOT_FOUND), 2u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_NO_SUCH_DEVICE), 2u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_DEVICE_REMOVED), 1617u);
  EXPECT_EQ(RtlNtStatusToDosError(STATUS_INVALID_HANDLE), 6u);
}

TEST(DosErrors, UnknownErrorsAndWin32FacilityStatuses) {
  EXPECT_EQ(RtlNtStatusToDosError(NtStatusValue(0xC0001234)), 317u);  // ERROR_MR_MID_NOT_FOUND
  EXPECT_EQ(RtlNtStatusToDosError(NtStatusValue(0xC0070005)), 5u);    // FACILITY_NTWIN32
  EXPECT_EQ(RtlNtStatusToDosError(NtStatusValue(0x00000104)), 0u);    // a success code
}

TEST(NtStatus, ValuesAndClasses) {
  EXPECT_EQ(static_cast<ULONG>(STATUS_CANCELLED), 0xC0000120u);
  EXPECT_EQ(static_cast<ULONG>(STATUS_MORE_PROCESSING_REQUIRED), 0xC0000016u);
  EXPECT_EQ(static_cast<ULONG>(STATUS_DEVICE_CONFIGURATION_ERROR), 0xC0000182u);
  EXPECT_TRUE(NT_SUCCESS(STATUS_PENDING));
  EXPECT_FALSE(NT_SUCCESS(STATUS_BUFFER_OVERFLOW));
  EXPECT_FALSE(NT_ERROR(STATUS_BUFFER_OVERFLOW));
  EXPECT_TRUE(NT_ERROR(STATUS_CANCELLED));
}

}  // namespace
