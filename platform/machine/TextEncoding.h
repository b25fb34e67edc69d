#pragma once

// Text the machine keeps (INF values, the setup state) is UTF-8. Bytes that arrive otherwise are
// taken as Windows-1252, an INF's own code page: every well-formed UTF-8 sequence stays as it is,
// every other byte becomes the character it names there (the five bytes Windows-1252 leaves
// undefined become the control characters of the same number), so any bytes give valid UTF-8.

#include <string>
#include <string_view>

namespace platform {

bool IsUtf8(std::string_view text);
std::string AsUtf8(std::string_view bytes);

}  // namespace platform
