#pragma once

// Downloads of a session (RD) or a trace (RT) stored in the instrument: the first command names
// the slot, each following "RD"/"RT" asks for the next line until a reply ends the download. No
// further command goes out after the reply that ended it, so nothing is left unread for the next
// command, nor after the exit request. The data is appended to the capture arrays or the trace samples under dataMutex.

#include <string_view>

#include "link/protocol/CaptureTimeStamps.h"
#include "link/protocol/CommTransport.h"

class StoredCaptureDecoder {
 public:
  // `entryFlags`: the Sync, 4-wire and 7E1 bits of the slot's directory entry, given to every
  // event header of the download.
  StoredCaptureDecoder(CommTransport& transport, UCHAR entryFlags) : transport_(transport), entryFlags_(entryFlags) {}

  // 1 = ask for the next line; 0 = the download has ended.
  int Decode(std::string_view replyText, std::string_view replyBytes);

 private:
  int DecodeHeader(std::string_view reply);
  int DecodeText(std::string_view reply);
  int DecodeBinary(std::string_view bytes);
  void Append(std::vector<CCaptBuf>& records);

  CommTransport& transport_;
  UCHAR entryFlags_;
  CaptureTimeStamps timeStamps_;
};

// Appends the samples of an "rt:" line; 1 = ask for the next line.
int DecodeStoredTrace(LinkContext& context, std::string_view reply);

// Slot 1..9 (anything else does nothing); WM_ORU_GET_CAPTURE_DATA when done.
int DownloadCapture(CommTransport& transport, int slot);
// Slot 1..9; WM_ORU_TRACE_RECALL_DONE when done.
int DownloadTrace(CommTransport& transport, int slot);
