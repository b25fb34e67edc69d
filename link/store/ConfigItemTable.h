#pragma once

// The instrument's configuration items as the settings command (SC) sends them and the
// configuration read (GC) returns them: the item number on the wire, the bit that selects it in a
// WM_ORU_SET_CONFIG mask, and the field of the configuration record that holds it. GC pairs each
// returned value with the item number asked for, the same numbers SC uses.

#include <string>
#include <string_view>

#include "link/store/SysCfg.h"
#include "platform/nt/BaseTypes.h"

// Items that are only read back (measured factors of the trace ranges).
constexpr int CONFIG_ITEM_AC_FACTOR = 18;  // value1
constexpr int CONFIG_ITEM_DC_FACTOR = 19;  // value2

// The SC command for the items of `mask`, in the fixed order of the table ("SC" alone for none).
std::string BuildSettingsCommand(const CSysCfg& config, ULONG mask);

// Stores one returned value (its text) into the field of `item`; false for an item the record does
// not hold or a value that is not a number.
bool StoreConfigValue(CSysCfg& config, int item, std::string_view value);
