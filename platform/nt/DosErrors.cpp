#include "platform/nt/DosErrors.h"

#include "platform/nt/NtStatus.h"

namespace {

struct Mapping {
  NTSTATUS status;
  ULONG error;
};

// Win32 error numbers (winerror names in the comments).
constexpr Mapping kMappings[] = {
    {STATUS_SUCCESS, 0},                      // ERROR_SUCCESS
    {STATUS_PENDING, 997},                    // ERROR_IO_PENDING
    {STATUS_BUFFER_OVERFLOW, 234},            // ERROR_MORE_DATA
    {STATUS_NO_MORE_ENTRIES, 259},            // ERROR_NO_MORE_ITEMS
    {STATUS_DEVICE_BUSY, 170},                // ERROR_BUSY
    {STATUS_UNSUCCESSFUL, 31},                // ERROR_GEN_FAILURE
    {STATUS_NOT_IMPLEMENTED, 1},              // ERROR_INVALID_FUNCTION
    {STATUS_INVALID_HANDLE, 6},               // ERROR_INVALID_HANDLE
    {STATUS_INVALID_PARAMETER, 87},           // ERROR_INVALID_PARAMETER
    {STATUS_NO_SUCH_DEVICE, 2},               // ERROR_FILE_NOT_FOUND
    {STATUS_INVALID_DEVICE_REQUEST, 1},       // ERROR_INVALID_FUNCTION
    {STATUS_MORE_PROCESSING_REQUIRED, 234},   // ERROR_MORE_DATA
    {STATUS_NO_MEMORY, 8},                    // ERROR_NOT_ENOUGH_MEMORY
    {STATUS_ACCESS_DENIED, 5},                // ERROR_ACCESS_DENIED
    {STATUS_BUFFER_TOO_SMALL, 122},           // ERROR_INSUFFICIENT_BUFFER
    {STATUS_OBJECT_NAME_INVALID, 123},        // ERROR_INVALID_NAME
    {STATUS_OBJECT_NAME_NOT_FOUND, 2},        // ERROR_FILE_NOT_FOUND
    {STATUS_OBJECT_NAME_COLLISION, 183},      // ERROR_ALREADY_EXISTS
    {STATUS_OBJECT_PATH_NOT_FOUND, 3},        // ERROR_PATH_NOT_FOUND
    {STATUS_DELETE_PENDING, 5},               // ERROR_ACCESS_DENIED
    {STATUS_INSUFFICIENT_RESOURCES, 1450},    // ERROR_NO_SYSTEM_RESOURCES
    {STATUS_DEVICE_DATA_ERROR, 23},           // ERROR_CRC
    {STATUS_DEVICE_NOT_CONNECTED, 1167},      // ERROR_DEVICE_NOT_CONNECTED
    {STATUS_DEVICE_NOT_READY, 21},            // ERROR_NOT_READY
    {STATUS_IO_TIMEOUT, 121},                 // ERROR_SEM_TIMEOUT
    {STATUS_NOT_SUPPORTED, 50},               // ERROR_NOT_SUPPORTED
    {STATUS_INTERNAL_ERROR, 1359},            // ERROR_INTERNAL_ERROR
    {STATUS_CANCELLED, 995},                  // ERROR_OPERATION_ABORTED
    {STATUS_DEVICE_CONFIGURATION_ERROR, 87},  // ERROR_INVALID_PARAMETER
    {STATUS_INVALID_DEVICE_STATE, 22},        // ERROR_BAD_COMMAND
    {STATUS_DEVICE_REMOVED, 1617},            // ERROR_DEVICE_REMOVED
    {STATUS_POWER_STATE_INVALID, 21},         // ERROR_NOT_READY
};

constexpr ULONG kErrorMrMidNotFound = 317;
constexpr ULONG kFacilityNtWin32 = 0x7;

}  // namespace

ULONG RtlNtStatusToDosError(NTSTATUS status) {
  for (const Mapping& m : kMappings) {
    if (m.status == status) return m.error;
  }
  // A Win32 error carried in a status (FACILITY_NTWIN32) maps back to itself.
  ULONG value = static_cast<ULONG>(status);
  if (((value >> 16) & 0xFFF) == kFacilityNtWin32 && NT_ERROR(status)) return value & 0xFFFF;
  return NT_SUCCESS(status) ? 0 : kErrorMrMidNotFound;
}
