#include "tests/rig/AppRig.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>

#include "driver/install/OruDriverStore.h"
#include "link/protocol/WorkerMessages.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/PostedMessageEvent.h"

namespace apprig {

namespace {
int qtArgc = 1;
char qtArg0[] = "quorlan-view-test";
char* qtArgv[] = {qtArg0, nullptr};
}  // namespace

QApplication& QtApplication() {
  static QApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* made = new QApplication(qtArgc, qtArgv);
    // Callers close windows without ending a loop they may not run.
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

void RunLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

sim::InstrumentOptions QuietInstrument() {
  sim::InstrumentOptions options;
  options.clock.mode = sim::TimeMode::PerCommand;
  options.clock.perCommand = sim::millis(100);
  options.prefillMemory = false;
  return options;
}

std::unique_ptr<CORUpc144App> BareApp() {
  QtApplication();
  return std::make_unique<CORUpc144App>(StartupRecord{});
}

AppRig::AppRig() {
  QtApplication();
  machine_ = std::make_unique<platform::Machine>();
  oru::InstallDriver(*machine_);
}

AppRig::~AppRig() {
  Exit();
  if (!shutDown_) ShutDown();
}

void AppRig::OnFailure(FailureHandler handler) {
  onFailure_ = std::move(handler);
  answers.OnFailure([this](const std::string& message) { Fail("prompt: " + message); });
}

void AppRig::Fail(const std::string& message) const {
  if (onFailure_) onFailure_(message);
}

bool AppRig::Start(const QStringList& arguments) {
  if (plugAtStart && port_ == 0) PlugInstrument();
  StartupRecord record;
  record.arguments = arguments;
  record.settingsFile = SettingsPath();
  record.programFolder = dir_.path() + "/";
  record.answerer = &answers;
  record.instanceServerName = ServerPath();
  record.showSplash = false;
  record.machine = machine_.get();
  if (localClock) record.localClock = localClock;
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

bool AppRig::SettleWorker() {
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

void AppRig::Exit() {
  if (!app_) return;
  app_->ExitInstance();
  app_.reset();
  QCoreApplication::processEvents();
}

int AppRig::PlugInstrument() {
  instruments_.push_back(std::make_unique<sim::Instrument>(instrumentOptions));
  port_ = machine_->plug(*instruments_.back());
  if (port_ == 0) Fail("the instrument did not plug in");
  return port_;
}

int AppRig::PlugSilentInstrument() {
  silent_ = std::make_unique<SilentInstrument>(instrumentOptions);
  port_ = machine_->plug(*silent_);
  if (port_ == 0) Fail("the silent instrument did not plug in");
  return port_;
}

void AppRig::UnplugInstrument() {
  if (port_ != 0) machine_->unplug(port_);
  port_ = 0;
}

std::vector<nt::VerifierRecord> AppRig::ShutDown() {
  UnplugInstrument();
  shutDown_ = true;
  return machine_->shutdown();
}

}  // namespace apprig
