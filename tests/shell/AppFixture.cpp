#include "tests/shell/AppFixture.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>

#include "driver/install/OruDriverStore.h"
#include "link/protocol/WorkerMessages.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/PostedMessageEvent.h"
#include "platform/nt/Verifier.h"

namespace apptest {

namespace {
int qtArgc = 1;
char qtArg0[] = "quorlan-view-test";
char* qtArgv[] = {qtArg0, nullptr};
}  // namespace

QApplication& QtApplication() {
  static QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* made = new QApplication(qtArgc, qtArgv);
    // Tests close windows without ending the loop they do not run.
    QApplication::setQuitOnLastWindowClosed(false);
    return made;
  }();
  return *application;
}

bool Eventually(const std::function<bool()>& condition, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

sim::InstrumentOptions QuietInstrument() {
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::PerCommand;
  options.clock.perCommand = sim::millis(100);
  options.prefillMemory = false;
  return options;
}

void FillCapture(CORUData& store, int records, int seed) {
  std::lock_guard lock(store.dataMutex);
  CORUCaptureHeader header;
  header.eventName = "CONNECT 2400";
  header.startDate = "03/05/24";
  header.startTime = "07:08:09";
  header.firstIndex = store.captureBuffer.GetSize();
  header.byteCount = records;
  store.captureHeaders.Add(header);
  for (int i = 0; i < records; ++i) {
    const auto data = static_cast<UCHAR>(seed + i * 7);
    const auto flags = static_cast<UCHAR>(i % 2 ? CAPT_ANSWER : 0);
    store.captureBuffer.Add(CCaptBuf(data, flags, static_cast<ULONG>(100 * i + seed), static_cast<ULONG>(30 + i)));
  }
}

void FillTrace(CORUData& store, int samples, int base) {
  std::lock_guard lock(store.dataMutex);
  store.traceSamples.RemoveAll();
  for (int i = 0; i < samples; ++i) store.traceSamples.Add(base + (i * 37) % 200 - 100);
}

std::vector<RecordFields> CaptureFields(CORUData& store) {
  std::lock_guard lock(store.dataMutex);
  std::vector<RecordFields> out;
  for (int i = 0; i < store.captureBuffer.GetSize(); ++i) {
    const CCaptBuf& r = store.captureBuffer[i];
    out.push_back({r.data, r.flags, r.timeFraction, r.timeSeconds});
  }
  return out;
}

std::vector<int> TraceSamples(CORUData& store) {
  std::lock_guard lock(store.dataMutex);
  std::vector<int> out;
  for (int i = 0; i < store.traceSamples.GetSize(); ++i) out.push_back(store.traceSamples[i]);
  return out;
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void AppFixture::SetUp() {
  QtApplication();
  ASSERT_TRUE(dir_.isValid());
  answers.OnFailure([](const std::string& message) { ADD_FAILURE() << "prompt: " << message; });
  machine_ = std::make_unique<platform::Machine>();
  oru::InstallDriver(*machine_);
}

void AppFixture::TearDown() {
  Exit();
  answers.CheckAllUsed();
  if (port_ != 0) UnplugInstrument();
  const std::vector<nt::VerifierRecord> records = machine_->shutdown();
  EXPECT_TRUE(records.empty()) << machine_->verifier().report();
  machine_.reset();
  silent_.reset();
  instruments_.clear();
}

bool AppFixture::Start(const QStringList& arguments) {
  if (plugAtStart && port_ == 0) PlugInstrument();
  StartupRecord record;
  record.arguments = arguments;
  record.settingsFile = SettingsPath();
  record.programFolder = dir_.path() + "/";
  record.answerer = &answers;
  record.instanceServerName = ServerPath();
  record.showSplash = false;
  record.machine = machine_.get();
  const CivilTime now = clockNow;
  record.localClock = [now] { return now; };
  app_ = std::make_unique<CORUpc144App>(std::move(record));
  if (beforeInit) beforeInit(*app_);
  return app_->InitInstance();
}

namespace {
// Sees the worker's echo of one request arrive at the main frame.
class EchoWatch : public QObject {
 public:
  EchoWatch(QObject* frame, WPARAM token) : token_(token) { frame->installEventFilter(this); }
  bool seen = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == PostedMessageEvent::EventType()) {
      const MSG& message = static_cast<PostedMessageEvent*>(event)->message;
      if (message.message == WM_ORU_ECHO && message.wParam == token_) seen = true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  WPARAM token_;
};
}  // namespace

bool AppFixture::SettleWorker() {
  static WPARAM lastToken = 0;
  const WPARAM token = ++lastToken;
  // Notifications come to the frame in the order they were posted: once the echo is seen, every
  // earlier one has been handled.
  EchoWatch watch(app_->mainFrame, token);
  app_->PostToWorker(WM_ORU_ECHO, token);
  const bool settled = Eventually([&] { return watch.seen; });
  app_->mainFrame->removeEventFilter(&watch);
  QCoreApplication::processEvents();
  return settled;
}

void AppFixture::Exit() {
  if (!app_) return;
  app_->ExitInstance();
  app_.reset();
  QCoreApplication::processEvents();
}

int AppFixture::PlugInstrument() {
  instruments_.push_back(std::make_unique<sim::Instrument>(instrumentOptions));
  port_ = machine_->plug(*instruments_.back());
  EXPECT_NE(port_, 0);
  return port_;
}

int AppFixture::PlugSilentInstrument() {
  silent_ = std::make_unique<SilentInstrument>(instrumentOptions);
  port_ = machine_->plug(*silent_);
  EXPECT_NE(port_, 0);
  return port_;
}

void AppFixture::UnplugInstrument() {
  if (port_ != 0) machine_->unplug(port_);
  port_ = 0;
}

}  // namespace apptest
