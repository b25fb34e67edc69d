#include "platform/setup/SystemMessages.h"

#include "platform/setup/SetupApi.h"

namespace {

struct ErrorText {
  DWORD code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation completed.\r\n"},
    {ERROR_INVALID_FUNCTION, "The function is not valid here.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The file was not found.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The path was not found.\r\n"},
    {ERROR_ACCESS_DENIED, "Access was denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is not valid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory to complete the operation.\r\n"},
    {ERROR_INVALID_DATA, "The data is not valid.\r\n"},
    {ERROR_NOT_READY, "The device is not ready.\r\n"},
    {29, "The state could not be written.\r\n"},
    {ERROR_GEN_FAILURE, "A device attached to the system is not working.\r\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\r\n"},
    {80, "The file exists already.\r\n"},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small for the data.\r\n"},
    {ERROR_INVALID_NAME, "The file name or its syntax is not valid.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, "No more items are available.\r\n"},
    {ERROR_INVALID_FLAGS, "The flags are not valid.\r\n"},
    {ERROR_INVALID_USER_BUFFER, "The buffer given is not valid for the request.\r\n"},
    {ERROR_NO_ASSOCIATED_CLASS, "No setup class is associated with the device.\r\n"},
    {ERROR_INVALID_CLASS, "The setup class is not valid.\r\n"},
    {ERROR_NO_SUCH_DEVINST, "No such device instance exists.\r\n"},
    {ERROR_NO_CLASSINSTALL_PARAMS, "No class-install parameters are set for the request.\r\n"},
    {ERROR_INVALID_MACHINENAME, "The computer name is not valid.\r\n"},
};

}  // namespace

const char* SystemErrorText(DWORD error) {
  for (const ErrorText& e : kErrorTexts) {
    if (e.code == error) return e.text;
  }
  return nullptr;
}
