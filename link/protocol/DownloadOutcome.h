#pragma once

// How a firmware download ended, as notification 2058 carries it in wParam (lParam: the file's
// line the outcome names, counted from 1, or 0). Done is 0, so a 2058 without an outcome reads
// as nothing to report.

#include "platform/win32/Win32Types.h"

enum class DownloadOutcome : WPARAM {
  Done = 0,        // loaded, or the request was not taken
  NoFile,          // no file named, or it did not open
  NotSRecords,     // a line is not a Motorola S-record (or longer than one can be)
  NothingToSend,   // no record of the file goes to the instrument
  Refused,         // the instrument refused a record
  InstrumentLost,  // the instrument went away, or a record did not reach it
  Aborted,         // the user's abort, or the program's exit
};
