#pragma once

// Command ids of the application's and the document's commands (menu 128, tool bar and
// accelerators).

namespace cmd {
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;
constexpr int kFileMru1 = 57616;  // the four recent files: 57616..57619
constexpr int kRecentFiles = 4;
constexpr int kFileClose = 32811;
constexpr int kExportText = 32799;
constexpr int kSetAutosaveFolder = 32801;
constexpr int kNewCaptureConcatenate = 32798;
constexpr int kNewCaptureOverwrite = 32797;
constexpr int kNewCaptureAutosave = 32790;
constexpr int kSelectAnswerColor = 32778;
constexpr int kDefaultAnswerColor = 32781;
constexpr int kSelectOriginateColor = 32779;
constexpr int kDefaultOriginateColor = 32782;
constexpr int kSelectMarkerColor = 32794;
constexpr int kDefaultMarkerColor = 32795;
constexpr int kDefaultAllColors = 32783;
constexpr int kSetDeviceClockToPcTime = 32788;
constexpr int kEnterDeviceClock = 32806;
constexpr int kAppAbout = 57664;
}  // namespace cmd
