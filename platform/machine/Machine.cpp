#include "platform/machine/Machine.h"

#include "platform/nt/NtStatus.h"
#include "platform/nt/UnicodeString.h"

namespace platform {

Machine::Machine(MachineOptions options) : kernel_(options.kernel) {}

Machine::~Machine() { shutdown(); }

void Machine::installDriver(std::string_view name, PDRIVER_INITIALIZE entry) {
    installed_[std::string(name)] = entry;
}

bool Machine::isInstalled(std::string_view name) const { return installed_.find(name) != installed_.end(); }

NTSTATUS Machine::loadDriver(std::string_view name) {
    auto entry = installed_.find(name);
    if (entry == installed_.end()) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (loaded_.find(name) != loaded_.end()) return STATUS_OBJECT_NAME_COLLISION;
    PDRIVER_OBJECT object = nullptr;
    NTSTATUS status = kernel_.loadDriver(nt::widen(name), entry->second, &object);
    if (NT_SUCCESS(status)) loaded_[std::string(name)] = object;
    return status;
}

PDRIVER_OBJECT Machine::driver(std::string_view name) const {
    auto it = loaded_.find(name);
    return it == loaded_.end() ? nullptr : it->second;
}

void Machine::unloadDriver(std::string_view name) {
    auto it = loaded_.find(name);
    if (it == loaded_.end()) return;
    nt::KernelScope scope(&kernel_);
    kernel_.unloadDriver(it->second);
    loaded_.erase(it);
}

std::vector<nt::VerifierRecord> Machine::shutdown() {
    kernel_.shutdown();
    loaded_.clear();
    return kernel_.verifier().records();
}

}  // namespace platform
