#pragma once

// JSON pictures of capture and trace files for the capfile tool: every header field, every
// record, the configuration fields, the trace fields and samples. Texts are byte strings; each
// byte becomes the code point of the same value, so any byte survives the round trip.

#include <nlohmann/json.hpp>

#include "link/files/DocumentFile.h"
#include "link/store/OruData.h"

nlohmann::json CaptureToJson(CORUData& store, const FileSettings& settings);
nlohmann::json TraceToJson(CORUData& store, const TraceFileHead& head);

// Fill a store (and the settings the file carries) from a picture; throws on malformed input.
void CaptureFromJson(const nlohmann::json& picture, CORUData& store, FileSettings& settings);
void TraceFromJson(const nlohmann::json& picture, CORUData& store, FileSettings& settings);
