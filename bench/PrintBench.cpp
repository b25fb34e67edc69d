// Session printing at 1 million records: one screen layout, the print job's layout and
// pagination on a 300 dpi letter page, and the whole job to a PDF file. The job's layout runs
// and its pages are reported as counters; the layout must run once per job, not once per page.
// Runs on Qt's offscreen platform.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QPrinter>

#include <memory>
#include <random>

#include "display/SessionPrint.h"
#include "display/model/SessionLayout.h"
#include "link/store/ModemEventPairing.h"
#include "tests/rig/AppRig.h"

namespace {

constexpr int kRecords = 1'000'000;
constexpr int kEvents = 50;
constexpr LayoutGeometry kScreen{559, 8, 15, 3};

CORUpc144App& App() {
  static std::unique_ptr<CORUpc144App> app = [] {
    auto made = apprig::BareApp();
    made->settings.viewType = ViewType::Ascii;
    made->settings.answerColor = kDefaultAnswerColor;
    made->settings.originateColor = kDefaultOriginateColor;
    made->settings.markerColor = kDefaultMarkerColor;
    auto capture = made->dataStore.HoldCapture();
    CCaptBufArray& records = capture->captureBuffer();
    records.Reserve(kRecords);
    capture->showModemEvents() = 1;
    std::mt19937 random(7);
    int state = capture->hdlcState();
    for (int e = 0; e < kEvents; ++e) {
      CORUCaptureHeader header;
      header.firstIndex = records.GetSize();
      header.eventName = "CONNECT 14400";
      header.startDate = "12/09/26";
      header.startTime = "10:11:12";
      header.byteCount = kRecords / kEvents;
      capture->captureHeaders().Add(header);
      for (int k = 0; k < kRecords / kEvents; ++k) {
        const ULONG r = random();
        const int i = records.GetSize();
        const UCHAR flags = static_cast<UCHAR>((r & 0x80) | (i % 97 == 5 || i % 97 == 6 ? CAPT_MODEM_EVENT : 0));
        CCaptBuf record(static_cast<UCHAR>(0x20 + (r >> 8) % 95), flags, 0, static_cast<ULONG>(i / 1000));
        PairModemEvent(record, state);
        records.Add(record);
      }
    }
    capture->hdlcState() = state;
    capture.unlock();
    return made;
  }();
  return *app;
}

void PdfPrinter(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(300);
  printer.setPageSize(QPageSize(QPageSize::Letter));
}

void BM_ScreenLayout(benchmark::State& state) {
  CORUData& store = App().dataStore;
  const SessionOptions options = OptionsFrom(store, ViewType::Ascii);
  for (auto _ : state) {
    SessionLayout layout;
    layout.Layout(store, kScreen, options);
    benchmark::DoNotOptimize(layout.Lines().size());
  }
}
BENCHMARK(BM_ScreenLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintLayoutAndPages(benchmark::State& state) {
  const QString path = QDir::temp().filePath(QStringLiteral("bench_print_prepare.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  PdfPrinter(printer, path);
  int runs = 0;
  int pages = 0;
  for (auto _ : state) {
    SessionPrintJob job(App().viewContext());
    job.Prepare(printer, printer.width(), printer.height());
    runs = job.LayoutRuns();
    pages = job.Pages();
  }
  state.counters["layout_runs"] = runs;
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintLayoutAndPages)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintToPdf(benchmark::State& state) {
  const QString path = QDir::temp().filePath(QStringLiteral("bench_print.pdf"));
  int runs = 0;
  int pages = 0;
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    PdfPrinter(printer, path);
    SessionPrintJob job(App().viewContext());
    if (!job.Print(printer)) state.SkipWithError("nothing printed");
    runs = job.LayoutRuns();
    pages = int(job.PagesPrinted().size());
  }
  state.counters["layout_runs"] = runs;
  state.counters["pages"] = pages;
  state.counters["pdf_MB"] = double(QFile(path).size()) / 1e6;
  QFile::remove(path);
}
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  apprig::QtApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
