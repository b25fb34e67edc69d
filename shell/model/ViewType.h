#pragma once

// How the capture's bytes are shown: as characters or in hex. The numbers are the ones the
// "View Type" setting and the capture file store; a stored value that is neither draws no data.
enum class ViewType { Ascii = 1, Hex = 2 };
