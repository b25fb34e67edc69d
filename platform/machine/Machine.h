#pragma once

// The simulated computer: one kernel (namespace, I/O manager, pool, worker thread, verifier) and
// the drivers installed on it. Tests build as many machines as they need; each is independent.
// Shutting a machine down unloads its drivers, stops its threads and runs the leak checks.
// (The bus, the device tree and the hardware-id store come with plug and play.)

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/nt/IoForward.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/Verifier.h"

namespace platform {

struct MachineOptions {
    nt::KernelOptions kernel;
};

class Machine {
public:
    explicit Machine(MachineOptions options = {});
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    nt::Kernel& kernel() { return kernel_; }
    nt::Verifier& verifier() { return kernel_.verifier(); }

    // Registers a driver's entry point under its service name; a second install of the name
    // replaces the entry point for later loads.
    void installDriver(std::string_view name, PDRIVER_INITIALIZE entry);
    bool isInstalled(std::string_view name) const;
    // Loads an installed driver (calls its entry point). STATUS_OBJECT_NAME_NOT_FOUND when nothing
    // is installed under the name, STATUS_OBJECT_NAME_COLLISION when it is loaded already.
    NTSTATUS loadDriver(std::string_view name);
    // The loaded driver of that name, or NULL.
    PDRIVER_OBJECT driver(std::string_view name) const;
    void unloadDriver(std::string_view name);

    // Unloads every driver, stops the kernel's threads and runs the leak and IRP checks; returns
    // the whole verifier log. Idempotent (later calls return the log again).
    std::vector<nt::VerifierRecord> shutdown();

private:
    nt::Kernel kernel_;
    std::map<std::string, PDRIVER_INITIALIZE, std::less<>> installed_;
    std::map<std::string, PDRIVER_OBJECT, std::less<>> loaded_;
};

}  // namespace platform
