#include "maintenance/install/IdList.h"

#include <cstring>
#include <new>

#include "platform/win32/LastError.h"

char** SplitMultiString(char* buffer) {
  if (!buffer) return nullptr;
  std::size_t count = 0;
  for (char* s = buffer; *s; s += std::strlen(s) + 1) ++count;
  char** slots = new (std::nothrow) char*[count + 2];
  if (!slots) {
    delete[] buffer;
    return nullptr;
  }
  slots[0] = buffer;
  std::size_t i = 1;
  for (char* s = buffer; *s; s += std::strlen(s) + 1) slots[i++] = s;
  slots[i] = nullptr;
  return slots + 1;
}

void FreeIdList(char** list) {
  if (!list) return;
  delete[] list[-1];
  delete[](list - 1);
}

char** ReadDeviceIdList(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD property) {
  DWORD size = 8192;
  for (int attempt = 0; attempt < 2; ++attempt) {
    // Two spare bytes keep the list double-terminated whatever the property holds.
    char* buffer = new (std::nothrow) char[size + 2]();
    if (!buffer) return nullptr;
    DWORD type = 0, needed = 0;
    if (SetupDiGetDeviceRegistryPropertyA(devices, device, property, &type, reinterpret_cast<BYTE*>(buffer), size,
                                          &needed)) {
      if (type != REG_MULTI_SZ) {
        delete[] buffer;
        return nullptr;
      }
      return SplitMultiString(buffer);
    }
    delete[] buffer;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || type != REG_MULTI_SZ || needed <= size) return nullptr;
    size = needed;
  }
  return nullptr;
}
