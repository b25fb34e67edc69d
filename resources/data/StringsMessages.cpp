// Descriptions of the request and notification ids (string id = message id - 1024). The program
// shows them nowhere; they name the ids for whoever reads the table.
#include <span>

#include "resources/data/StringTable.h"

std::span<const StringEntry> StringsMessages() {
  static const StringEntry entries[] = {
      {1001, "Set the ORUpc capture configuration"},
      {1002, "Get the ORUpc capture configuration"},
      {1003, "Set the ORUpc trigger string"},
      {1008, "Get a session header from the ORUpc"},
      {1009, "Start the ORUpc capture mode"},
      {1010, "Retreive capture data from the ORUpc"},
      {1014, "Abort the ORUpc capture"},
      {1015, "Set the parent hWnd for messaging"},
      {1016, "Set the develop hWnd for messaging"},
      {1017, "Calibrate the selected line"},
      {1020, "Set ORUpc cal factors"},
      {1021, "Get ORUpc cal factors"},
      {1023, "Store ORUpc cal factors"},
      {1024, "Set the ORU to PC clock time"},
      {1025, "Start the ORU signal trace"},
      {1026, "Stop the ORU signal trace"},
      {1028, "Start the line test"},
      {1029, "Stop the line test"},
      {1031, "DTMF Decoder function"},
      {1032, "Stop DTMF Decoder function"},
      {1034, "Download a mot file to the ORUpc144"},
      {1035, "Abort the ORU MOTdownload"},
      {1037, "Show the about box"},
      {1038, "Set the ORU clock"},
      {1041, "Get the trace header"},
      {1042, "Recall signal trace"},
      {1044, "Start ORU signal trace"},
      {1045, "Stop the ORU signal trace"},
      {1047, "ORU connected via pnp event"},
      {1048, "ORU disconnected via pnp event"},
      {2000, "GENERAL Thread message -- TERMINATE"},
  };
  return entries;
}
