#pragma once

// Decimal numbers in the instrument's replies, read the same whatever the process locale says
// (leading blanks and a '+' are allowed, trailing text is ignored).

#include <optional>
#include <string_view>
#include <vector>

std::optional<long> ParseDecimalInteger(std::string_view text);
std::optional<double> ParseDecimalReal(std::string_view text);

// The ':'-separated fields of `text` (one empty field for an empty text).
std::vector<std::string_view> SplitFields(std::string_view text);
