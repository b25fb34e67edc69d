#pragma once

// The directories of the sessions (SH, nine slots) and traces (TH, three slots) stored in the
// instrument. Each slot is one command and one reply; the entries are written under dataMutex and
// each slot read is announced (WM_ORU_GET_SESSION_HEADER / WM_ORU_GET_TRACE_HEADER, wParam slot-1).

#include <string_view>

#include "link/protocol/CommTransport.h"

// 1 when an entry was stored or the reply is not an "sh:" reply; 0 for an empty slot or a reply
// with a missing or surplus field.
int ParseSessionHeader(CORUData& store, std::string_view reply);
int ParseTraceHeader(CORUData& store, std::string_view reply);

// `slot` -1 reads every slot; otherwise that slot alone. The result is the last parse's (0 when
// nothing was sent).
int ReadCaptureHeaders(CommTransport& transport, int slot);
int ReadTraceHeaders(CommTransport& transport, int slot);
