#pragma once

// Where the installer writes (standard output and error unless a test says otherwise), the
// message printer and the fatal-error report.

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>

#include "platform/setup/MessageFormat.h"

std::FILE* InstallerOut();
std::FILE* InstallerErr();
// Null restores standard output or error.
void SetInstallerStreams(std::FILE* out, std::FILE* err);

// Message `messageId` of the program's message table with its inserts; the line ends in one "\n"
// whatever run of line ends the text has. Nothing is printed when it cannot be formatted.
void PrintMessage(std::FILE* stream, DWORD messageId, std::initializer_list<DWORD_PTR> arguments = {});

// "<step> failed with error <n>: <text>" for the thread's last error, shown through the hook
// when one is set (a windowed run: text and caption "Error") and else on standard error; then
// the process ends with that code through the exit hook.
void ReportFatalError(const char* step);
using FatalErrorDisplay = std::function<void(const std::string& text, const std::string& caption)>;
void SetFatalErrorDisplay(FatalErrorDisplay display);
void SetFatalErrorExit(std::function<void(int code)> exit);  // empty: std::exit
