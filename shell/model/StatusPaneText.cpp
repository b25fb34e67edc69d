#include "shell/model/StatusPaneText.h"

#include "shell/model/TabTable.h"

std::string CaptureBufferPaneText(int records) { return "Capture Buffer: " + std::to_string(records) + " bytes"; }

std::string ModeTextForStandard(int standard) {
  switch (standard) {
    case 0:
    case 1:
    case 4:
      return kBridgedMode;
    case 2:
    case 3:
      return kInterceptMode;
    default:
      return std::string();
  }
}

std::string ModeTextForTab(int tab, int standard) {
  return tab == TAB_CAPTURE_DATA ? ModeTextForStandard(standard) : std::string(kBridgedMode);
}

std::optional<std::string> DtmfDecoderStatusText(unsigned long long line) {
  switch (line) {
    case 1:
      return std::string("Decoding DTMF on Line 1");
    case 2:
      return std::string("Decoding DTMF on Line 2");
    case 3:
      return std::string("Decoding DTMF");
    default:
      return std::nullopt;
  }
}
