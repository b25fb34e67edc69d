#include "shell/SimulatedSystem.h"

#include "driver/install/OruDriverStore.h"

SimulatedSystem::SimulatedSystem(bool plug)
    : instrument_(std::make_unique<sim::Instrument>()), machine_(std::make_unique<platform::Machine>())
{
    oru::InstallDriver(*machine_);
    attachment_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
    if (plug)
        plugInstrument();
}

SimulatedSystem::~SimulatedSystem()
{
    shutdown();
}

std::vector<nt::VerifierRecord> SimulatedSystem::shutdown()
{
    attachment_.reset();
    port_ = 0;
    return machine_->shutdown();
}

void SimulatedSystem::plugInstrument()
{
    if (port_ == 0)
        port_ = machine_->plug(*instrument_);
}

void SimulatedSystem::unplugInstrument()
{
    if (port_ != 0)
        machine_->unplug(port_);
    port_ = 0;
}
