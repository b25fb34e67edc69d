#pragma once

// The end of what a lost instrument leaves on. Either thread may see the loss first: the worker
// in its idle step, the main frame in its state synchronisation. Each takes the run flags under
// dataMutex with an exchange, so only one of them finds a flag set, and acts only on what it
// found: the worker announces the end itself; the frame asks the worker to stop, and the
// worker's answer to that request announces it. So every activity ends exactly once.
//
// The volt-meter and DTMF loops, the streamed trace, the downloads and the firmware download run
// inside the worker and end on the loss by themselves, each with its one end notification.

#include "link/protocol/LinkContext.h"

class CommTransport;

// End the capture (armed or running) or the triggered trace in one exchange; true when it was on.
bool TakeCapture(CORUData& store);
bool TakeTrace(CORUData& store);

// The worker's side, from its idle step: a capture left armed or running ends with 2038, a
// triggered trace left armed or running with 2069; the status text goes back to idle.
void EndLostActivities(CommTransport& transport);

// The frame's side: takes the DTMF, volt-meter and capture flags and posts the stop of each one
// found set to the worker. A triggered trace is left to the worker: its traceRunning is the
// streamed trace's flag too, and only the worker knows which of the two runs.
void StopLostDeviceActivities(LinkContext& context);
