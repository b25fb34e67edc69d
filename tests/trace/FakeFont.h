#pragma once

#include <cstring>

#include "trace/model/AxisLayout.h"

// A fixed font of 9 x 16 logical units per character.
inline TextExtent FakeFont(const char* text) { return {static_cast<int>(std::strlen(text)) * 9, 16}; }
