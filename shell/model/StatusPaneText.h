#pragma once

// Texts of the main frame's status panes and of the notifications that set the line-status text.

#include <optional>
#include <string>

constexpr const char* kBridgedMode = "Bridged Mode";
constexpr const char* kInterceptMode = "Intercept Mode";

// "Capture Buffer: %d bytes".
std::string CaptureBufferPaneText(int records);
// The mode pane's text for the capture configuration's modem-standard byte: 0, 1, 4 bridged,
// 2, 3 intercept, anything else empty.
std::string ModeTextForStandard(int standard);
// The mode pane's text on a tab: the standard's on CAPTURE DATA, "Bridged Mode" on the
// others, which watch the lines only.
std::string ModeTextForTab(int tab, int standard);
// The line-status text of a "DTMF decoder runs" notification: lines 1 and 2 and 3 (both);
// nothing for any other wParam (the text is left as it was).
std::optional<std::string> DtmfDecoderStatusText(unsigned long long line);
