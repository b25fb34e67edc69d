// SetupCopyOEMInfA: the INF itself, byte for byte, into the attached machine's driver store.
// The stored name comes from the store (oem<N>.inf), never from the INF; no file the INF names
// is copied. A refusal keeps its reason (setup::LastErrorDetail).

#include <cstring>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/ErrorDetail.h"
#include "platform/setup/InfSource.h"
#include "platform/setup/SetupApi.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/LastError.h"

namespace {

constexpr DWORD ERROR_FILE_EXISTS = 80;

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL SetupCopyOEMInfA(LPCSTR SourceInfFileName, LPCSTR, DWORD OEMSourceMediaType, DWORD CopyStyle,
                      LPSTR DestinationInfFileName, DWORD DestinationInfFileNameSize, LPDWORD RequiredSize,
                      LPSTR* DestinationInfFileNameComponent) {
  if (setup::TakeFailure("SetupCopyOEMInfA")) return FALSE;
  if (!SourceInfFileName || !*SourceInfFileName) return fail(ERROR_INVALID_PARAMETER);
  if (OEMSourceMediaType > SPOST_URL) return fail(ERROR_INVALID_PARAMETER);
  if (CopyStyle & ~(SP_COPY_REPLACEONLY | SP_COPY_NOOVERWRITE)) return fail(ERROR_INVALID_FLAGS);
  if (DestinationInfFileNameSize && !DestinationInfFileName) return fail(ERROR_INVALID_PARAMETER);
  platform::Machine* machine = setup::AttachedMachine();
  if (!machine) return fail(ERROR_NOT_READY);

  std::string bytes, why;
  setup::SetLastErrorDetail({});
  if (DWORD error = setup::ReadInfSource(SourceInfFileName, bytes, &why)) {
    setup::SetLastErrorDetail(why);
    return fail(error);
  }
  std::string name, path;
  platform::StoreResult result = machine->storeDriverPackage(bytes, CopyStyle & SP_COPY_REPLACEONLY, name, path, &why);
  switch (result) {
    case platform::StoreResult::NotAnInf:
      setup::SetLastErrorDetail(why);
      return fail(ERROR_INVALID_DATA);
    case platform::StoreResult::NotStoredYet:
      return fail(ERROR_FILE_NOT_FOUND);
    case platform::StoreResult::WriteFailed:
      setup::SetLastErrorDetail(why);
      return fail(setup::ERROR_WRITE_FAULT);
    case platform::StoreResult::Stored:
    case platform::StoreResult::AlreadyStored:
      break;
  }
  if (RequiredSize) *RequiredSize = static_cast<DWORD>(path.size() + 1);
  if (DestinationInfFileName) {
    if (DestinationInfFileNameSize < path.size() + 1) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(DestinationInfFileName, path.c_str(), path.size() + 1);
    if (DestinationInfFileNameComponent) {
      std::size_t slash = path.find_last_of('/');
      *DestinationInfFileNameComponent = DestinationInfFileName + (slash == std::string::npos ? 0 : slash + 1);
    }
  }
  if (result == platform::StoreResult::AlreadyStored && (CopyStyle & SP_COPY_NOOVERWRITE))
    return fail(ERROR_FILE_EXISTS);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
