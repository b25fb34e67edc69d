#pragma once

// The two steps a live capture and a session download share: reading the 11-character items of a
// text line ("CC:AA:TTTT:" from character 5 on), and appending records with their modem-event
// pairing while the last event's byte count follows.

#include <string_view>
#include <vector>

#include "link/store/OruData.h"

std::vector<CCaptBuf> ParseCaptureTextItems(std::string_view reply);

// Takes dataMutex; `records` are paired in place.
void AppendPairedRecords(CORUData& store, std::vector<CCaptBuf>& records);
