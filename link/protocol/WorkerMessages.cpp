#include "link/protocol/WorkerMessages.h"

#include <algorithm>
#include <iterator>

namespace {

// In id order. Requests: what the user interface asks of the worker; notifications: what the
// worker tells the main frame.
constexpr WorkerMessage kMessages[] = {
    {WM_ORU_SET_CONFIG, "WM_ORU_SET_CONFIG", "Set the ORUpc capture configuration", true, true},
    {WM_ORU_GET_CONFIG, "WM_ORU_GET_CONFIG", "Get the ORUpc capture configuration", true, true},
    {WM_ORU_SET_TRIGGER_STRING, "WM_ORU_SET_TRIGGER_STRING", "Set the ORUpc trigger string", true, false},
    {WM_ORU_GET_SESSION_HEADER, "WM_ORU_GET_SESSION_HEADER", "Get a session header from the ORUpc", true, true},
    {WM_ORU_START_CAPTURE, "WM_ORU_START_CAPTURE", "Start the ORUpc capture mode", true, true},
    {WM_ORU_GET_CAPTURE_DATA, "WM_ORU_GET_CAPTURE_DATA", "Retreive capture data from the ORUpc", true, true},
    {WM_ORU_ABORT_CAPTURE, "WM_ORU_ABORT_CAPTURE", "Abort the ORUpc capture", true, true},
    {WM_ORU_SET_NOTIFY_WINDOW, "WM_ORU_SET_NOTIFY_WINDOW", "Set the parent hWnd for messaging", true, false},
    {WM_ORU_SET_DEVELOP_WINDOW, "WM_ORU_SET_DEVELOP_WINDOW", "Set the develop hWnd for messaging", true, false},
    {WM_ORU_CALIBRATE_LINE, "WM_ORU_CALIBRATE_LINE", "Calibrate the selected line", true, false},
    {WM_ORU_CALIBRATION_STEP_DONE, "WM_ORU_CALIBRATION_STEP_DONE", "", false, true},
    {WM_ORU_SET_CAL_FACTORS, "WM_ORU_SET_CAL_FACTORS", "Set ORUpc cal factors", true, false},
    {WM_ORU_GET_CAL_FACTORS, "WM_ORU_GET_CAL_FACTORS", "Get ORUpc cal factors", true, true},
    {WM_ORU_STORE_CAL_FACTORS, "WM_ORU_STORE_CAL_FACTORS", "Store ORUpc cal factors", true, false},
    {WM_ORU_SET_CLOCK_FROM_PC, "WM_ORU_SET_CLOCK_FROM_PC", "Set the ORU to PC clock time", true, true},
    {WM_ORU_START_SIGNAL_TRACE, "WM_ORU_START_SIGNAL_TRACE", "Start the ORU signal trace", true, true},
    {WM_ORU_STOP_SIGNAL_TRACE, "WM_ORU_STOP_SIGNAL_TRACE", "Stop the ORU signal trace", true, false},
    {WM_ORU_TRACE_DATA_READY, "WM_ORU_TRACE_DATA_READY", "", false, true},
    {WM_ORU_START_LINE_TEST, "WM_ORU_START_LINE_TEST", "Start the line test", true, false},
    {WM_ORU_STOP_LINE_TEST, "WM_ORU_STOP_LINE_TEST", "Stop the line test", true, false},
    {WM_ORU_LINE_TEST_DATA, "WM_ORU_LINE_TEST_DATA", "", false, true},
    {WM_ORU_START_DTMF_DECODER, "WM_ORU_START_DTMF_DECODER", "DTMF Decoder function", true, true},
    {WM_ORU_STOP_DTMF_DECODER, "WM_ORU_STOP_DTMF_DECODER", "Stop DTMF Decoder function", true, true},
    {WM_ORU_DTMF_DATA, "WM_ORU_DTMF_DATA", "", false, true},
    {WM_ORU_DOWNLOAD_FIRMWARE, "WM_ORU_DOWNLOAD_FIRMWARE", "Download a mot file to the ORUpc144", true, true},
    {WM_ORU_ABORT_DOWNLOAD, "WM_ORU_ABORT_DOWNLOAD", "Abort the ORU MOTdownload", true, false},
    {WM_ORU_DOWNLOAD_PROGRESS, "WM_ORU_DOWNLOAD_PROGRESS", "", false, true},
    {WM_ORU_SHOW_ABOUT, "WM_ORU_SHOW_ABOUT", "Show the about box", false, false},
    {WM_ORU_SET_CLOCK, "WM_ORU_SET_CLOCK", "Set the ORU clock", true, false},
    {WM_ORU_GET_TRACE_HEADER, "WM_ORU_GET_TRACE_HEADER", "Get the trace header", true, true},
    {WM_ORU_RECALL_TRACE, "WM_ORU_RECALL_TRACE", "Recall signal trace", true, false},
    {WM_ORU_TRACE_RECALL_DONE, "WM_ORU_TRACE_RECALL_DONE", "", false, true},
    {WM_ORU_START_TRIGGERED_TRACE, "WM_ORU_START_TRIGGERED_TRACE", "Start ORU signal trace", true, false},
    {WM_ORU_STOP_TRIGGERED_TRACE, "WM_ORU_STOP_TRIGGERED_TRACE", "Stop the ORU signal trace", true, true},
    {WM_ORU_TRACE_TRIGGERED, "WM_ORU_TRACE_TRIGGERED", "", false, true},
    {WM_ORU_DEVICE_CONNECTED, "WM_ORU_DEVICE_CONNECTED", "ORU connected via pnp event", true, true},
    {WM_ORU_DEVICE_DISCONNECTED, "WM_ORU_DEVICE_DISCONNECTED", "ORU disconnected via pnp event", true, true},
    {WM_ORU_ENABLE_V21, "WM_ORU_ENABLE_V21", "", false, true},
    {WM_ORU_DISABLE_V21, "WM_ORU_DISABLE_V21", "", false, true},
    {WM_ORU_ENABLE_60S_SPAN, "WM_ORU_ENABLE_60S_SPAN", "", false, true},
    {WM_ORU_DISABLE_60S_SPAN, "WM_ORU_DISABLE_60S_SPAN", "", false, true},
    {WM_ORU_TERMINATE, "WM_ORU_TERMINATE", "GENERAL Thread message -- TERMINATE", false, false},
};

}  // namespace

const WorkerMessage* FindWorkerMessage(UINT id) {
  auto found = std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                                [](const WorkerMessage& row, UINT key) { return row.id < key; });
  if (found == std::end(kMessages) || found->id != id) return nullptr;
  return found;
}

bool IsWorkerRequest(UINT id) {
  const WorkerMessage* row = FindWorkerMessage(id);
  return row != nullptr && row->request;
}

const WorkerMessage* WorkerMessagesBegin() { return std::begin(kMessages); }
const WorkerMessage* WorkerMessagesEnd() { return std::end(kMessages); }
