#pragma once

// The driver-installation switches, handled before anything else of the program exists: the
// exit status of the installation run, or -1 when no switch applies.

int RunInstallSwitchesHook(int argc, char** argv);
