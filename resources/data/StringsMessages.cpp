// Descriptions of the request and notification ids (string id = message id - 1024). The program
// shows them nowhere; they name the ids for whoever reads the table.
#include <span>

#include "resources/data/StringTable.h"
#include "resources/data/ResourceIds.h"

std::span<const StringEntry> StringsMessages() {
  static const StringEntry entries[] = {
      {IDS_MSG_SET_CONFIG, "Set the ORUpc capture configuration"},
      {IDS_MSG_GET_CONFIG, "Get the ORUpc capture configuration"},
      {IDS_MSG_SET_TRIGGER_STRING, "Set the ORUpc trigger string"},
      {IDS_MSG_GET_SESSION_HEADER, "Get a session header from the ORUpc"},
      {IDS_MSG_START_CAPTURE, "Start the ORUpc capture mode"},
      {IDS_MSG_GET_CAPTURE_DATA, "Retreive capture data from the ORUpc"},
      {IDS_MSG_ABORT_CAPTURE, "Abort the ORUpc capture"},
      {IDS_MSG_SET_NOTIFY_WINDOW, "Set the parent hWnd for messaging"},
      {IDS_MSG_SET_DEVELOP_WINDOW, "Set the develop hWnd for messaging"},
      {IDS_MSG_CALIBRATE_LINE, "Calibrate the selected line"},
      {IDS_MSG_SET_CAL_FACTORS, "Set ORUpc cal factors"},
      {IDS_MSG_GET_CAL_FACTORS, "Get ORUpc cal factors"},
      {IDS_MSG_STORE_CAL_FACTORS, "Store ORUpc cal factors"},
      {IDS_MSG_SET_CLOCK_FROM_PC, "Set the ORU to PC clock time"},
      {IDS_MSG_START_SIGNAL_TRACE, "Start the ORU signal trace"},
      {IDS_MSG_STOP_SIGNAL_TRACE, "Stop the ORU signal trace"},
      {IDS_MSG_START_LINE_TEST, "Start the line test"},
      {IDS_MSG_STOP_LINE_TEST, "Stop the line test"},
      {IDS_MSG_START_DTMF_DECODER, "DTMF Decoder function"},
      {IDS_MSG_STOP_DTMF_DECODER, "Stop DTMF Decoder function"},
      {IDS_MSG_DOWNLOAD_FIRMWARE, "Download a mot file to the ORUpc144"},
      {IDS_MSG_ABORT_DOWNLOAD, "Abort the ORU MOTdownload"},
      {IDS_MSG_SHOW_ABOUT, "Show the about box"},
      {IDS_MSG_SET_CLOCK, "Set the ORU clock"},
      {IDS_MSG_GET_TRACE_HEADER, "Get the trace header"},
      {IDS_MSG_RECALL_TRACE, "Recall signal trace"},
      {IDS_MSG_START_TRIGGERED_TRACE, "Start ORU signal trace"},
      {IDS_MSG_STOP_TRIGGERED_TRACE, "Stop the ORU signal trace"},
      {IDS_MSG_DEVICE_CONNECTED, "ORU connected via pnp event"},
      {IDS_MSG_DEVICE_DISCONNECTED, "ORU disconnected via pnp event"},
      {IDS_MSG_TERMINATE, "GENERAL Thread message -- TERMINATE"},
  };
  return entries;
}
