#pragma once

class ViewFactory;

// Puts this folder's windows into the shell's view table.
void RegisterMaintenanceViews(ViewFactory& factory);
