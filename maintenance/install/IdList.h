#pragma once

// Id lists: a null-terminated array of pointers to the strings of a multi-string buffer, with the
// buffer itself kept in the slot before the array so that FreeIdList releases both.

#include "platform/setup/SetupApi.h"

// Takes ownership of `buffer` (allocated with new[], ending in an empty string) and returns the
// list of its strings; null when it cannot be had (the buffer is freed then).
char** SplitMultiString(char* buffer);
void FreeIdList(char** list);
// A device's REG_MULTI_SZ property (SPDRP_HARDWAREID, SPDRP_COMPATIBLEIDS) as an id list; null
// when the device has none or it cannot be read.
char** ReadDeviceIdList(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD property);
