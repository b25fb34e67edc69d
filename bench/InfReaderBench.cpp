// The INF reader and the driver store at scale: a 16 MB INF with 200,000 strings and 100,000
// models parsed and read (goal: under 1 s), the program's start on a root with 1 and with 50
// stored packages up to the instrument bound and started (goal: 50 packages under 100 ms more
// than 1), a 16 MB INF of install sections that differ in case, and a load of many recorded
// root devices.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/DriverEntry.h"
#include "driver/OruInterface.h"
#include "maintenance/install/DriverInstall.h"
#include "platform/machine/InfFile.h"
#include "platform/machine/Machine.h"
#include "sim/Instrument.h"

namespace {

namespace fs = std::filesystem;

constexpr int kStrings = 200000;
constexpr int kModels = static_cast<int>(platform::kMostInfModels);

// A [Strings] entry per line of the models section (as many models as a package may list) and
// of another section, padded to just under the reader's size limit.
std::string largeInf() {
  std::string text =
      "[Version]\nSignature=\"$Windows NT$\"\nClass=Big\nClassGuid={12345678-1234-1234-1234-123456789abc}\n"
      "Provider=%S0%\nDriverVer=01/01/2027,1.0.0.0\n[Manufacturer]\n%S1%=Models,NTamd64\n[Models.NTamd64]\n";
  char line[160];
  for (int i = 0; i < kModels; ++i) {
    std::snprintf(line, sizeof line, "%%S%d%%=I%d,USB\\VID_%04X&PID_%04X\n", i, i % 97, i % 0xFFFF, i / 7);
    text += line;
  }
  text += "[Descriptions]\n";
  for (int i = kModels; i < kStrings; ++i) {
    std::snprintf(line, sizeof line, "%%S%d%%=I%d\n", i, i % 97);
    text += line;
  }
  text += "[Strings]\n";
  for (int i = 0; i < kStrings; ++i) {
    std::snprintf(line, sizeof line, "S%d=\"Device %d\"\n", i, i);
    text += line;
  }
  text += "[Padding]\n";
  while (text.size() + 80 < platform::kLargestInf)
    text += "; padding to the reader's limit, the size of the largest INF it takes\n";
  return text;
}

void BM_ParseLargeInf(benchmark::State& state) {
  const std::string text = largeInf();
  for (auto _ : state) {
    std::optional<platform::InfFile> inf = platform::InfFile::parse(text);
    std::optional<platform::InfDriver> driver = inf ? platform::ReadInfDriver(*inf) : std::nullopt;
    if (!driver || driver->models.size() != static_cast<std::size_t>(kModels))
      state.SkipWithError("the INF did not read");
    benchmark::DoNotOptimize(driver);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseLargeInf)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every model names its install section in another letter case, and the one services section
// they all name fills the rest of the reader's limit (goal: well under a second; the section is
// read once).
std::string caseVariantInf() {
  std::string text =
      "[Version]\nSignature=\"$Windows NT$\"\nClass=Big\nClassGuid={12345678-1234-1234-1234-123456789abc}\n"
      "[Manufacturer]\nM=Models\n[Models]\n";
  const std::string name = "abcdefghijklmnopq";
  for (int i = 0; i < kModels; ++i) {
    std::string spelled = name;
    for (std::size_t k = 0; k < spelled.size(); ++k)
      if ((i >> k) & 1) spelled[k] = static_cast<char>(spelled[k] - 'a' + 'A');
    text += "d=" + spelled + ",ID\\" + std::to_string(i) + "\n";
  }
  text += "[" + name + ".Services]\n";
  while (text.size() + 40 < platform::kLargestInf) text += "AddService=other,0,x\n";
  return text + "AddService=main,2,x\n";
}

void BM_ParseCaseVariantInstallSections(benchmark::State& state) {
  const std::string text = caseVariantInf();
  for (auto _ : state) {
    std::optional<platform::InfFile> inf = platform::InfFile::parse(text);
    std::optional<platform::InfDriver> driver = inf ? platform::ReadInfDriver(*inf) : std::nullopt;
    if (!driver || driver->models.size() != static_cast<std::size_t>(kModels) ||
        driver->models.back().service != "main")
      state.SkipWithError("the INF did not read");
    benchmark::DoNotOptimize(driver);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseCaseVariantInstallSections)->Unit(benchmark::kMillisecond)->Iterations(3);

// A root whose store holds `count` packages: the program's INF and others for other devices.
fs::path rootWithPackages(int count) {
  std::string folder = (fs::temp_directory_path() / "qv-inf-bench-XXXXXX").string();
  if (!::mkdtemp(folder.data())) return {};
  const fs::path root = fs::path(folder) / "machine";
  fs::create_directories(root / "INF");
  const std::string program = ProgramDriverInf();
  for (int n = 0; n < count; ++n) {
    std::string text = program;
    if (n > 0) {
      const std::string id = "USB\\VID_0452&PID_0201";
      char other[32];
      std::snprintf(other, sizeof other, "USB\\VID_1%03d&PID_0201", n);
      text.replace(text.find(id), id.size(), other);
    }
    std::ofstream(root / "INF" / ("oem" + std::to_string(n) + ".inf"), std::ios::binary) << text;
  }
  return root;
}

void BM_StartBindsTheInstrument(benchmark::State& state) {
  const fs::path root = rootWithPackages(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    platform::MachineOptions options;
    options.root = root;
    platform::Machine machine(options);
    machine.installDriver(oru::kServiceName, oru::DriverEntry);
    StoreProgramDriverPackage(machine);
    sim::Instrument instrument;
    const int port = machine.plug(instrument);
    if (port == 0 || machine.device(port).state != nt::DevNodeState::Started) state.SkipWithError("not bound");
    state.PauseTiming();
    machine.shutdown();
    state.ResumeTiming();
  }
  std::error_code ec;
  fs::remove_all(root.parent_path(), ec);
}
BENCHMARK(BM_StartBindsTheInstrument)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(20);

// A root whose state records `count` root devices no driver serves: the load makes a PDO for
// each and binds it (goal: linear, 1000 devices well under a second).
void BM_StartWithRecordedRootDevices(benchmark::State& state) {
  const fs::path root = rootWithPackages(1);
  {
    platform::MachineOptions options;
    options.root = root;
    platform::Machine machine(options);
    machine.changeSetupState([&](platform::SetupDatabase& db) {
      for (int64_t i = 0; i < state.range(0); ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "ROOT\\BENCH\\%04d", static_cast<int>(i));
        platform::DeviceRecord r;
        r.instanceId = id;
        r.hardwareIds = {"ROOT\\BENCH"};
        db.put(r);
      }
    });
  }
  for (auto _ : state) {
    platform::MachineOptions options;
    options.root = root;
    platform::Machine machine(options);
    machine.installDriver(oru::kServiceName, oru::DriverEntry);
    if (machine.rootBus().instanceIds().size() != static_cast<std::size_t>(state.range(0)))
      state.SkipWithError("not every device came back");
    state.PauseTiming();
    machine.shutdown();
    state.ResumeTiming();
  }
  std::error_code ec;
  fs::remove_all(root.parent_path(), ec);
}
BENCHMARK(BM_StartWithRecordedRootDevices)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
