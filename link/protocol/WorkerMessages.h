#pragma once

// The one table of message ids between the user interface and the worker. Requests go to the
// worker as thread messages; notifications come back as window messages to the main frame. Every
// id is WM_USER plus the number of the string that describes it, and an id used both ways means
// that the notification answers the request of that id.

#include "platform/win32/Win32Types.h"

constexpr UINT WM_ORU_SET_CONFIG = 2025;
constexpr UINT WM_ORU_GET_CONFIG = 2026;
constexpr UINT WM_ORU_SET_TRIGGER_STRING = 2027;
constexpr UINT WM_ORU_GET_SESSION_HEADER = 2032;
constexpr UINT WM_ORU_START_CAPTURE = 2033;
constexpr UINT WM_ORU_GET_CAPTURE_DATA = 2034;
constexpr UINT WM_ORU_ABORT_CAPTURE = 2038;
constexpr UINT WM_ORU_SET_NOTIFY_WINDOW = 2039;
constexpr UINT WM_ORU_SET_DEVELOP_WINDOW = 2040;
constexpr UINT WM_ORU_CALIBRATE_LINE = 2041;
constexpr UINT WM_ORU_CALIBRATION_STEP_DONE = 2042;
constexpr UINT WM_ORU_SET_CAL_FACTORS = 2044;
constexpr UINT WM_ORU_GET_CAL_FACTORS = 2045;
constexpr UINT WM_ORU_STORE_CAL_FACTORS = 2047;
constexpr UINT WM_ORU_SET_CLOCK_FROM_PC = 2048;
constexpr UINT WM_ORU_START_SIGNAL_TRACE = 2049;
constexpr UINT WM_ORU_STOP_SIGNAL_TRACE = 2050;
constexpr UINT WM_ORU_TRACE_DATA_READY = 2051;
constexpr UINT WM_ORU_START_LINE_TEST = 2052;
constexpr UINT WM_ORU_STOP_LINE_TEST = 2053;
constexpr UINT WM_ORU_LINE_TEST_DATA = 2054;
constexpr UINT WM_ORU_START_DTMF_DECODER = 2055;
constexpr UINT WM_ORU_STOP_DTMF_DECODER = 2056;
constexpr UINT WM_ORU_DTMF_DATA = 2057;
constexpr UINT WM_ORU_DOWNLOAD_FIRMWARE = 2058;
constexpr UINT WM_ORU_ABORT_DOWNLOAD = 2059;
constexpr UINT WM_ORU_DOWNLOAD_PROGRESS = 2060;
constexpr UINT WM_ORU_SHOW_ABOUT = 2061;
constexpr UINT WM_ORU_SET_CLOCK = 2062;
constexpr UINT WM_ORU_GET_TRACE_HEADER = 2065;
constexpr UINT WM_ORU_RECALL_TRACE = 2066;
constexpr UINT WM_ORU_TRACE_RECALL_DONE = 2067;
constexpr UINT WM_ORU_START_TRIGGERED_TRACE = 2068;
constexpr UINT WM_ORU_STOP_TRIGGERED_TRACE = 2069;
constexpr UINT WM_ORU_TRACE_TRIGGERED = 2070;
constexpr UINT WM_ORU_DEVICE_CONNECTED = 2071;
constexpr UINT WM_ORU_DEVICE_DISCONNECTED = 2072;
constexpr UINT WM_ORU_ENABLE_V21 = 2078;
constexpr UINT WM_ORU_DISABLE_V21 = 2079;
constexpr UINT WM_ORU_ENABLE_60S_SPAN = 2080;
constexpr UINT WM_ORU_DISABLE_60S_SPAN = 2081;
// Answered with the same message and wParam as soon as the worker takes it: when the answer
// arrives, every request posted before it has been carried out (or dropped by a running loop) and
// its notifications posted. No instrument traffic.
// The test rigs settle on it; it is in no table of the instrument's messages.
constexpr UINT WM_ORU_ECHO = 3000;
// Never posted: the upper bound of every message filter of the worker.
constexpr UINT WM_ORU_TERMINATE = 3024;

// The worker's message filter: every PeekMessage of the worker takes ids in this range.
constexpr UINT kWorkerFilterFirst = 0;
constexpr UINT kWorkerFilterLast = WM_ORU_TERMINATE;

// One row of the table. `text` is the string-table description (string id = id - WM_USER); it is
// empty for ids that have none. Descriptions are shown nowhere.
struct WorkerMessage {
  UINT id;
  const char* name;
  const char* text;
  bool request;       // the user interface posts it to the worker
  bool notification;  // the worker posts it to the main frame
};

// The row of `id`, or null when the table has none.
const WorkerMessage* FindWorkerMessage(UINT id);
// True when the worker has a request of that id (ids outside the table are dropped).
bool IsWorkerRequest(UINT id);
// Every row, in id order.
const WorkerMessage* WorkerMessagesBegin();
const WorkerMessage* WorkerMessagesEnd();
