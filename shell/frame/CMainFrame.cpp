#include "shell/frame/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "driver/OruInterface.h"
#include "link/worker/CommThread.h"
#include "platform/win32/WindowTarget.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceImages.h"
#include "shell/OruApp.h"
#include "link/protocol/WorkerMessages.h"
#include "shell/frame/PostedMessageEvent.h"
#include "shell/frame/StatusBar.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/frame/VolumeCtrl.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/IdlePacing.h"
#include "shell/model/TabTable.h"

namespace {
constexpr int kFrameWidth = 830;
constexpr int kFrameHeight = 678;
constexpr int kMinimumWidth = 750;
constexpr int kMinimumHeight = 480;
}  // namespace

// Runs on the posting thread (the worker's, the PnP thread's): it only queues the message for the
// UI thread, where the frame handles it in order.
class CMainFrame::PostTarget final : public win32::WindowTarget {
 public:
  explicit PostTarget(CMainFrame& frame) : frame_(frame) {}
  void OnPostedMessage(const MSG& message) override {
    // A reading is in the store; while one notice of it is on its way, another adds nothing.
    if (message.message == WM_ORU_LINE_TEST_DATA && !frame_.lineTestReadings_.Admit()) return;
    QCoreApplication::postEvent(&frame_, new PostedMessageEvent(message));
  }

 private:
  CMainFrame& frame_;
};

CMainFrame::CMainFrame(CORUpc144App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  app_.mainFrame = this;
  setObjectName(QStringLiteral("CORUpc144App"));
  setWindowTitle(QStringLiteral("Quorlan View PC - "));
  setWindowIcon(LoadResourceIcon(IDI_PROGRAM));
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  move(0, 0);
  resize(kFrameWidth, kFrameHeight);

  postTarget_ = std::make_unique<PostTarget>(*this);
  hwnd_ = win32::RegisterWindowTarget(*postTarget_);

  BuildBars();
  BuildClient();
  RegisterDeviceInterface();
  qApp->installEventFilter(this);

  connectionTimer_ = new QTimer(this);
  connectionTimer_->setInterval(kConnectionTimerMs);
  connect(connectionTimer_, &QTimer::timeout, this, &CMainFrame::RunIdleUpdate);
  connectionTimer_->start();
  idleTimer_ = new QTimer(this);
  idleTimer_->setSingleShot(true);
  idleTimer_->setInterval(0);
  connect(idleTimer_, &QTimer::timeout, this, &CMainFrame::RunIdleUpdate);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  if (deviceNotifyHandle_ != nullptr) UnregisterDeviceNotification(deviceNotifyHandle_);
  // No delivery runs once this returns; the events already queued die with this object.
  win32::UnregisterWindowTarget(hwnd_);
  if (app_.mainFrame == this) app_.mainFrame = nullptr;
  if (app_.tabbedFrame == tabbedFrame_) app_.tabbedFrame = nullptr;
}

HWND CMainFrame::WindowHandle() const { return hwnd_; }

QAction* CMainFrame::Action(int commandId) const {
  const auto it = actions_.find(commandId);
  return it != actions_.end() ? it->second : nullptr;
}

void CMainFrame::BuildBars() {
  actions_ = BuildMenuBar(menuBar(), IDR_MAINFRAME, this);
  toolBar_ = addToolBar(QStringLiteral("Standard"));
  toolBar_->setObjectName(QString::number(AFX_IDW_TOOLBAR));
  toolBar_->setMovable(false);
  for (const auto& [id, action] : BuildToolBar(toolBar_, IDR_MAINFRAME, actions_)) actions_.emplace(id, action);
  InstallAccelerators(this, IDR_MAINFRAME, actions_, [this](int id) { OnCommand(id); });
  for (int id : {ID_NEW_CAPTURE_CONCATENATE, ID_NEW_CAPTURE_OVERWRITE, ID_NEW_CAPTURE_AUTOSAVE})
    if (QAction* action = Action(id)) action->setCheckable(true);
  for (const auto& [id, action] : actions_) {
    const int commandId = id;
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  }
  SetRecentFileActions(actions_, app_.RecentFiles());
  connect(&app_, &CORUpc144App::recentFilesChanged, this,
          [this] { SetRecentFileActions(actions_, app_.RecentFiles()); });

  statusBar_ = new CORUStatusBar(app_, this);
  setStatusBar(statusBar_);
  statusBar_->VolumeSlider()->setValue(app_.settings.modem3Volume);
}

void CMainFrame::BuildClient() {
  tabbedFrame_ = new CORUTabbedFrame(app_, this);
  tabbedFrame_->setObjectName(QString::number(AFX_IDW_PANE_FIRST));
  setCentralWidget(tabbedFrame_);
  app_.tabbedFrame = tabbedFrame_;
  for (int row = 0; row < TabCountInTable(); ++row) {
    ITabPage* page = app_.viewFactory.CreateTabPage(row, app_.viewContext(), tabbedFrame_);
    tabbedFrame_->AddTab(QLatin1String(kTabTable[static_cast<std::size_t>(row)].title), page->Widget());
    views_.tabPages.emplace_back(page);
  }
  // The tabs of the capture and the trace open at once; the meters wait for the instrument.
  for (int tab : DocumentTabs()) tabbedFrame_->EnableTab(tab);
  SetActiveView(views_.activeCaptureView.get());
}

void CMainFrame::ShowDocument(DocumentType type, const QString& title) {
  if (tabbedFrame_ != nullptr) tabbedFrame_->SelectTab(TabOfDocument(type));
  setWindowTitle(title);
  // The capture is laid out again and repainted; an update on top would only repeat that.
  ISessionView* capture = views_.activeCaptureView.get();
  if (capture != nullptr) capture->RefreshNow();
  if (views_.controlView) views_.controlView->SyncControlsFromConfig(0);
  views_.ForEach([capture](IShellView& view) {
    if (&view != capture) view.OnUpdate();
  });
}

void CMainFrame::RegisterDeviceInterface() {
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  deviceNotifyHandle_ = RegisterDeviceNotification(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CMainFrame::ScheduleIdleUpdate() {
  if (idleTimer_->isActive()) return;
  idleTimer_->start(IdleUpdateDelayMs(lastIdleUpdate_.isValid() ? lastIdleUpdate_.elapsed() : -1));
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == PostedMessageEvent::EventType()) {
    PreTranslateMessage(static_cast<PostedMessageEvent*>(event)->message);
    ScheduleIdleUpdate();
    return true;
  }
  return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  // Input reaches a window first, once per key press or move, before it goes to a widget; acting
  // there (and consuming nothing) leaves the focused widget its key.
  if (watched->isWindowType()) {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_PageUp) statusBar_->VolumeSlider()->PageUp();
      if (key->key() == Qt::Key_PageDown) statusBar_->VolumeSlider()->PageDown();
    } else if (event->type() == QEvent::MouseMove && views_.sessionView) {
      QWidget* view = views_.sessionView->Widget();
      const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      const QRect area(view->mapToGlobal(QPoint(0, 0)), view->size());
      if (!area.contains(global)) views_.sessionView->ClearHoverMark();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (tabbedFrame_ != nullptr) tabbedFrame_->RecalcLayout();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!app_.NewCapture()) {
    event->ignore();
    return;
  }
  DetachViews();
  StopCommThread();
  event->accept();
}

void CMainFrame::DetachViews() {
  activeView_ = nullptr;
  views_ = FrameViews{};
}

void CMainFrame::StopCommThread() {
  connectionTimer_->stop();
  idleTimer_->stop();
  ::StopCommThread(app_.context, 3000);
}
