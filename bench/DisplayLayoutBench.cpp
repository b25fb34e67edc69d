// The capture display at 10 million records: a full layout, a live tick of 1000 new records
// (against a small and a big capture), the read-out at the last byte, and a repaint of the
// session view at the start, middle and end of the capture. The layout's bytes per record are
// reported as a counter. Runs on Qt's offscreen platform.

#include <benchmark/benchmark.h>

#include <QScrollBar>

#include <memory>
#include <random>

#include "display/SessionView.h"
#include "display/model/ReadoutRows.h"
#include "display/model/SessionLayout.h"
#include "link/store/ModemEventPairing.h"
#include "tests/rig/AppRig.h"

namespace {

constexpr int kRecords = 10'000'000;
constexpr int kEvents = 100;
constexpr LayoutGeometry kGeometry{559, 8, 15, 3};

// Appends `count` records to the last event: text bytes both ways, a modem-event pair now and
// then, every fourth event synchronous.
void Append(CaptureScope& capture, int count, std::mt19937& random) {
  CCaptBufArray& records = capture.captureBuffer();
  int state = capture.hdlcState();
  for (int k = 0; k < count; ++k) {
    const ULONG r = random();
    const int i = records.GetSize();
    const UCHAR flags = static_cast<UCHAR>((r & 0x80) | (i % 97 == 5 || i % 97 == 6 ? CAPT_MODEM_EVENT : 0));
    CCaptBuf record(static_cast<UCHAR>(0x20 + (r >> 8) % 95), flags, r >> 16 & 0x1FFF, static_cast<ULONG>(i / 1000));
    PairModemEvent(record, state);
    records.Add(record);
  }
  capture.hdlcState() = state;
  CORUCaptureHeader& last = capture.captureHeaders()[capture.captureHeaders().GetSize() - 1];
  last.byteCount = records.GetSize() - last.firstIndex;
}

void Fill(CORUData& store, int records) {
  store.WithData([](DataScope& data) { data.sysCfg().bitStuffed = 1; });
  auto capture = store.HoldCapture();
  capture->Clear();
  capture->captureBuffer().Reserve(records + 1'000'000);
  capture->showModemEvents() = 1;
  std::mt19937 random(7);
  const int perEvent = records / kEvents;
  for (int e = 0; e < kEvents; ++e) {
    CORUCaptureHeader header;
    header.firstIndex = capture->captureBuffer().GetSize();
    header.flags = e % 4 == 3 ? EVENT_SYNC : 0;
    header.eventName = "CONNECT 14400";
    header.startDate = "12/09/26";
    header.startTime = "10:11:12";
    capture->captureHeaders().Add(header);
    Append(*capture, perEvent, random);
  }
}

CORUpc144App& App() {
  static std::unique_ptr<CORUpc144App> app = [] {
    auto made = apprig::BareApp();
    made->settings.viewType = ViewType::Ascii;
    made->settings.answerColor = kDefaultAnswerColor;
    made->settings.originateColor = kDefaultOriginateColor;
    made->settings.markerColor = kDefaultMarkerColor;
    return made;
  }();
  return *app;
}

void BM_FullLayout(benchmark::State& state) {
  CORUData& store = App().dataStore;
  Fill(store, kRecords);
  const SessionOptions options = OptionsFrom(store, ViewType::Ascii);
  SessionLayout layout;
  for (auto _ : state) layout.Layout(store, kGeometry, options);
  state.counters["lines"] = static_cast<double>(layout.Lines().size());
  state.counters["layout_bytes_per_record"] = static_cast<double>(layout.MemoryBytes()) / kRecords;
}
BENCHMARK(BM_FullLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

// One live tick: 1000 records appended, then laid out; the capture's size should not matter.
void BM_LiveTick(benchmark::State& state) {
  CORUData& store = App().dataStore;
  Fill(store, static_cast<int>(state.range(0)));
  const SessionOptions options = OptionsFrom(store, ViewType::Ascii);
  SessionLayout layout;
  layout.Layout(store, kGeometry, options);
  std::mt19937 random(3);
  for (auto _ : state) {
    state.PauseTiming();
    store.WithCapture([&random](CaptureScope& capture) { Append(capture, 1000, random); });
    state.ResumeTiming();
    if (layout.Update(store, kGeometry, options)) state.SkipWithError("a tick laid everything out");
  }
}
BENCHMARK(BM_LiveTick)->Arg(100'000)->Arg(kRecords)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_ReadoutAtLastByte(benchmark::State& state) {
  CORUData& store = App().dataStore;
  Fill(store, kRecords);
  SessionLayout layout;
  layout.Layout(store, kGeometry, OptionsFrom(store, ViewType::Ascii));
  store.WithCapture([](CaptureScope& capture) {
    capture.cursorRecordIndex() = capture.captureBuffer().GetSize() - 1;
    capture.currentRecordIndex() = 3;
  });
  CaptureColors colors;
  for (auto _ : state) benchmark::DoNotOptimize(BuildCaptureReadout(store, ReadoutOptions{}, colors, &layout));
}
BENCHMARK(BM_ReadoutAtLastByte)->Unit(benchmark::kMicrosecond);

// A full repaint (grab) of a 575 x 475 session view at 0, 50 and 100 % of the capture.
void BM_Repaint(benchmark::State& state) {
  CORUpc144App& app = App();
  Fill(app.dataStore, kRecords);
  CORUSessionView view(app.viewContext(), nullptr);
  view.resize(575, 475);
  view.show();
  view.Refresh();
  view.EnsureLayout();
  QScrollBar* bar = view.verticalScrollBar();
  bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * state.range(0) / 100));
  for (auto _ : state) benchmark::DoNotOptimize(view.viewport()->grab());
  state.counters["lines"] = static_cast<double>(view.Layout().Lines().size());
}
BENCHMARK(BM_Repaint)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  apprig::QtApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
