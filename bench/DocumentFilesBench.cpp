// Save and load of a capture of 10 million records, and its CSV export, through the program's
// own file code. Files go to the temporary folder (TMPDIR); the store's bytes per record are
// reported as a counter.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

#include "link/files/CsvExport.h"
#include "link/files/DocumentFile.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"

namespace {

int Records(const CORUData& store) {
  return store.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetSize(); });
}

constexpr int kRecords = 10'000'000;
constexpr int kEvents = 100;

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()))).string();
}

// 100 events, every fourth synchronous, with modem-event pairs sprinkled in; built once.
CORUData& BigCapture() {
  static std::unique_ptr<CORUData> store = [] {
    auto data = std::make_unique<CORUData>();
    data->WithData([](DataScope& scope) { scope.sysCfg().bitStuffed = 1; });
    auto capture = data->HoldCapture();
    capture->captureBuffer().Reserve(kRecords);
    std::mt19937 random(1);
    const int perEvent = kRecords / kEvents;
    for (int e = 0; e < kEvents; ++e) {
      CORUCaptureHeader header;
      header.firstIndex = e * perEvent;
      header.byteCount = perEvent;
      header.flags = (e % 4 == 3) ? EVENT_SYNC : 0;
      header.eventName = "CONNECT 14400";
      header.startDate = "03/05/24";
      header.startTime = "07:08:09";
      capture->captureHeaders().Add(header);
    }
    for (int i = 0; i < kRecords; ++i) {
      const ULONG r = random();
      UCHAR flags = static_cast<UCHAR>((r & 0x80) | (i % 97 == 5 || i % 97 == 6 ? CAPT_MODEM_EVENT : 0));
      capture->captureBuffer().Add(CCaptBuf(static_cast<UCHAR>(r >> 8), flags, r >> 16, static_cast<ULONG>(i / 1000)));
    }
    capture.unlock();
    return data;
  }();
  return *store;
}

void SetCounters(benchmark::State& state, std::uintmax_t fileBytes) {
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes));
  state.counters["store_bytes_per_record"] = sizeof(CCaptBuf);
  state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
}

void BM_SaveCapture10M(benchmark::State& state) {
  CORUData& store = BigCapture();
  const std::string path = TempPath("bench-save.hsc");
  for (auto _ : state) {
    if (SaveDocumentFile(path, store, DocumentType::Capture, FileSettings{}) != FileStatus::Ok)
      state.SkipWithError("save failed");
  }
  SetCounters(state, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

// Into a fresh store: the array's 680 MB are new memory that the system must hand out page by page.
void BM_LoadCapture10MFreshStore(benchmark::State& state) {
  const std::string path = TempPath("bench-load-fresh.hsc");
  SaveDocumentFile(path, BigCapture(), DocumentType::Capture, FileSettings{});
  FileSettings settings;
  for (auto _ : state) {
    state.PauseTiming();
    auto store = std::make_unique<CORUData>();
    state.ResumeTiming();
    if (LoadDocumentFile(path, *store, DocumentType::Capture, settings) != FileStatus::Ok ||
        Records(*store) != kRecords)
      state.SkipWithError("load failed");
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  SetCounters(state, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

// Into a store that held a capture of the same size: the loader refills the same storage.
void BM_LoadCapture10MInPlace(benchmark::State& state) {
  const std::string path = TempPath("bench-load.hsc");
  SaveDocumentFile(path, BigCapture(), DocumentType::Capture, FileSettings{});
  auto store = std::make_unique<CORUData>();
  FileSettings settings;
  LoadDocumentFile(path, *store, DocumentType::Capture, settings);
  for (auto _ : state) {
    if (LoadDocumentFile(path, *store, DocumentType::Capture, settings) != FileStatus::Ok ||
        Records(*store) != kRecords)
      state.SkipWithError("load failed");
  }
  SetCounters(state, std::filesystem::file_size(path));
  const std::size_t allocated =
      store->WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetAllocatedSize(); });
  state.counters["store_MB"] = static_cast<double>(allocated * sizeof(CCaptBuf)) / 1e6;
  std::filesystem::remove(path);
}

void BM_ExportCsv10M(benchmark::State& state) {
  CORUData& store = BigCapture();
  const std::string path = TempPath("bench-export.csv");
  for (auto _ : state) {
    if (ExportCsvFile(path, store) != FileStatus::Ok) state.SkipWithError("export failed");
  }
  SetCounters(state, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_SaveCapture10M)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadCapture10MFreshStore)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadCapture10MInPlace)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportCsv10M)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
