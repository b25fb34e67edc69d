// The main frame's own commands: firmware download, the development dialog, the USB list and
// printing; every other command goes to the application.

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/model/ShellConstants.h"
#include "shell/dialogs/UsbListDlg.h"
#include "shell/model/FileDialogSpec.h"

void CMainFrame::OnCommand(int commandId) {
  switch (commandId) {
    case ID_LOAD_APPLICATION:
      OnLoadApplication();
      break;
    case ID_DEVELOPMENT:
      OnDevelopment();
      break;
    case ID_USB_LIST:
      OnUSBList();
      break;
    case ID_FILE_PRINT:
      OnFilePrint();
      break;
    case ID_FILE_PRINT_PREVIEW:
      OnFilePrintPreview();
      break;
    case ID_FILE_PRINT_SETUP:
      OnFilePrintSetup();
      break;
    case ID_APP_EXIT:
      close();
      break;  // the close asks about unsaved data first
    default:
      if (!(views_.controlView && views_.controlView->OnCommand(commandId))) app_.OnCommand(commandId);
      break;
  }
  ScheduleIdleUpdate();
}

void CMainFrame::OnLoadApplication() {
  CORUData& store = app_.viewContext().store;
  if (!app_.context.DeviceOpen()) {
    app_.prompts().MessageBox(QStringLiteral("No USB connection to ORUpc"), QStringLiteral("COMM Error"),
                              MB_OK | MB_SYSTEMMODAL);
    return;
  }
  // The command again while a download runs aborts it.
  if (store.ExchangeRun([](RunState& run) { run.download = false; }).downloadRunning()) {
    app_.PostToWorker(WM_ORU_ABORT_DOWNLOAD);
    return;
  }
  FileDialogSpec spec;
  spec.title = "Open ORUpc application file";
  spec.filters = {{"MOT files (*.mot)", "*.mot"}};
  spec.flags = kHideReadOnly | kOverwritePrompt;
  const std::optional<QString> path = app_.prompts().GetOpenFileName(spec);
  if (!path) return;
  store.ExchangeRun([](RunState& run) { run.download = true; });
  store.downloadFilePath.Set(path->toStdString());
  app_.PostToWorker(WM_ORU_DOWNLOAD_FIRMWARE);
}

void CMainFrame::OnDevelopment() {
  if (developDialog_ == nullptr)
    developDialog_ = app_.viewFactory.Create<ViewSlot::DevelopDialog>(app_.viewContext(), this);
  developDialog_->Show();
}

void CMainFrame::OnUSBList() {
  CORUUSBList dialog(app_.viewContext(), this);
  app_.prompts().RunModal(dialog);
}

namespace {
QPrinter& SharedPrinter(std::unique_ptr<QPrinter>& printer_) {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}
}  // namespace

void CMainFrame::OnFilePrintSetup() {
  QPageSetupDialog dialog(&SharedPrinter(printer_), this);
  app_.prompts().RunModal(dialog);
}

void CMainFrame::OnFilePrint() {
  if (activeView_ == nullptr || !activeView_->CanPrint()) return;
  QPrinter& target = SharedPrinter(printer_);
  QPrintDialog dialog(&target, this);
  if (app_.prompts().RunModal(dialog) != QDialog::Accepted) return;
  printing_ = true;
  activeView_->Print(target);
  printing_ = false;
}

namespace {
// The preview's own printer: the page set up on the shared one, every page, and the current
// document's name, whatever range and name the last print job left on the shared printer.
std::unique_ptr<QPrinter> PreviewPrinter(const QPrinter& shared, const QString& documentName) {
  auto preview = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (shared.outputFormat() == QPrinter::NativeFormat) preview->setPrinterName(shared.printerName());
  preview->setPageLayout(shared.pageLayout());
  preview->setResolution(shared.resolution());
  preview->setColorMode(shared.colorMode());
  preview->setFullPage(shared.fullPage());
  preview->setDocName(documentName);
  return preview;
}
}  // namespace

void CMainFrame::OnFilePrintPreview() {
  if (activeView_ == nullptr || !activeView_->CanPrint()) return;
  const QString name = app_.currentDocument != nullptr ? app_.currentDocument->Title() : QString();
  const std::unique_ptr<QPrinter> own = PreviewPrinter(SharedPrinter(printer_), name);
  QPrintPreviewDialog preview(own.get(), this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
    printing_ = true;
    if (activeView_ != nullptr) activeView_->Print(*target);
    printing_ = false;
  });
  app_.prompts().RunModal(preview);
}
