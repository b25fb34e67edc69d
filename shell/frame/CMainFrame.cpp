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
  explicit PostTarget(CMainFrame& frame) : frame(frame) {}
  void OnPostedMessage(const MSG& message) override {
    // A reading is in the store; while one notice of it is on its way, another adds nothing.
    if (message.message == WM_ORU_LINE_TEST_DATA && !frame.lineTestReadings.Admit()) return;
    QCoreApplication::postEvent(&frame, new PostedMessageEvent(message));
  }

 private:
  CMainFrame& frame;
};

CMainFrame::CMainFrame(CORUpc144App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  app_.mainFrame = this;
  setObjectName(QStringLiteral("CORUpc144App"));
  setWindowTitle(QStringLiteral("Quorlan View PC - "));
  setWindowIcon(LoadResourceIcon(IDI_PROGRAM));
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  move(0, 0);
  resize(kFrameWidth, kFrameHeight);

  postTarget = std::make_unique<PostTarget>(*this);
  hwnd = win32::RegisterWindowTarget(*postTarget);

  BuildBars();
  BuildClient();
  RegisterDeviceInterface();
  qApp->installEventFilter(this);

  connectionTimer = new QTimer(this);
  connectionTimer->setInterval(kConnectionTimerMs);
  connect(connectionTimer, &QTimer::timeout, this, &CMainFrame::RunIdleUpdate);
  connectionTimer->start();
  idleTimer = new QTimer(this);
  idleTimer->setSingleShot(true);
  idleTimer->setInterval(0);
  connect(idleTimer, &QTimer::timeout, this, &CMainFrame::RunIdleUpdate);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  if (deviceNotifyHandle != nullptr) UnregisterDeviceNotification(deviceNotifyHandle);
  // No delivery runs once this returns; the events already queued die with this object.
  win32::UnregisterWindowTarget(hwnd);
  if (app_.mainFrame == this) app_.mainFrame = nullptr;
  if (app_.tabbedFrame == tabbedFrame) app_.tabbedFrame = nullptr;
}

HWND CMainFrame::WindowHandle() const { return hwnd; }

QAction* CMainFrame::Action(int commandId) const {
  const auto it = actions.find(commandId);
  return it != actions.end() ? it->second : nullptr;
}

void CMainFrame::BuildBars() {
  actions = BuildMenuBar(menuBar(), IDR_MAINFRAME, this);
  toolBar = addToolBar(QStringLiteral("Standard"));
  toolBar->setObjectName(QString::number(AFX_IDW_TOOLBAR));
  toolBar->setMovable(false);
  for (const auto& [id, action] : BuildToolBar(toolBar, IDR_MAINFRAME, actions)) actions.emplace(id, action);
  InstallAccelerators(this, IDR_MAINFRAME, actions, [this](int id) { OnCommand(id); });
  for (int id : {ID_NEW_CAPTURE_CONCATENATE, ID_NEW_CAPTURE_OVERWRITE, ID_NEW_CAPTURE_AUTOSAVE})
    if (QAction* action = Action(id)) action->setCheckable(true);
  for (const auto& [id, action] : actions) {
    const int commandId = id;
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
  }
  SetRecentFileActions(actions, app_.RecentFiles());
  connect(&app_, &CORUpc144App::recentFilesChanged, this,
          [this] { SetRecentFileActions(actions, app_.RecentFiles()); });

  statusBar = new CORUStatusBar(app_, this);
  setStatusBar(statusBar);
  statusBar->VolumeSlider()->setValue(app_.settings.modem3Volume);
}

void CMainFrame::BuildClient() {
  tabbedFrame = new CORUTabbedFrame(app_, this);
  tabbedFrame->setObjectName(QString::number(AFX_IDW_PANE_FIRST));
  setCentralWidget(tabbedFrame);
  app_.tabbedFrame = tabbedFrame;
  for (int row = 0; row < TabCountInTable(); ++row) {
    ITabPage* page = app_.viewFactory.CreateTabPage(row, app_.viewContext(), tabbedFrame);
    tabbedFrame->AddPage(QLatin1String(kTabTable[static_cast<std::size_t>(row)].title), page);
    views.tabPages.emplace_back(page);
  }
  // The tabs of the capture and the trace open at once; the meters wait for the instrument.
  for (int tab : DocumentTabs()) tabbedFrame->EnableTab(tab);
  SetActiveView(views.activeCaptureView.get());
}

void CMainFrame::ShowDocument(DocumentType type, const QString& title) {
  if (tabbedFrame != nullptr) tabbedFrame->SelectTab(TabOfDocument(type));
  setWindowTitle(title);
  // The capture is laid out again and repainted; an update on top would only repeat that.
  ISessionView* capture = views.activeCaptureView.get();
  if (capture != nullptr) capture->RefreshNow();
  if (views.controlView) views.controlView->SyncControlsFromConfig(0);
  views.ForEach([capture](IShellView& view) {
    if (&view != capture) view.OnUpdate();
  });
}

void CMainFrame::RegisterDeviceInterface() {
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  deviceNotifyHandle = RegisterDeviceNotification(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CMainFrame::ScheduleIdleUpdate() {
  if (idleTimer->isActive()) return;
  idleTimer->start(IdleUpdateDelayMs(lastIdleUpdate.isValid() ? lastIdleUpdate.elapsed() : -1));
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
      if (key->key() == Qt::Key_PageUp) statusBar->VolumeSlider()->PageUp();
      if (key->key() == Qt::Key_PageDown) statusBar->VolumeSlider()->PageDown();
    } else if (event->type() == QEvent::MouseMove && views.sessionView) {
      QWidget* view = views.sessionView->Widget();
      const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      const QRect area(view->mapToGlobal(QPoint(0, 0)), view->size());
      if (!area.contains(global)) views.sessionView->ClearHoverMark();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (tabbedFrame != nullptr) tabbedFrame->RecalcLayout();
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
  activeView = nullptr;
  views = FrameViews{};
}

void CMainFrame::StopCommThread() {
  connectionTimer->stop();
  idleTimer->stop();
  ::StopCommThread(app_.context, 3000);
}
