#pragma once

// Every resource file's definition, gathered by the generated index (see CMakeLists.txt). Only the
// lookups use this; everyone else asks FindDialogTemplate, LoadResourceString and the like.

#include <span>
#include <vector>

#include "resources/data/AcceleratorResource.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/MenuResource.h"
#include "resources/data/StringTable.h"
#include "resources/data/ToolbarResource.h"

std::vector<const DialogTemplate*> IndexedDialogTemplates();
std::vector<std::span<const StringEntry>> IndexedStringGroups();
std::vector<const MenuResource*> IndexedMenus();
std::vector<const ToolbarResource*> IndexedToolbars();
std::vector<const AcceleratorTable*> IndexedAcceleratorTables();
