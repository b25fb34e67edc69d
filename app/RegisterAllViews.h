#pragma once

// Every window folder's views in the application's factory: the capture display, the signal
// trace and the maintenance windows.

class ViewFactory;

void RegisterAllViews(ViewFactory& factory);
