// The session view's print preview of the captured call: the same pages the printer gets, at a
// letter page's resolution.

#include <QPrintPreviewWidget>
#include <QPrinter>

#include <cstdio>

#include "display/SessionView.h"
#include "shell/OruApp.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

const ScreenStepRegistrar sessionPreview(26, "print preview of the captured call", [](ScreenContext& s) {
  auto* view = dynamic_cast<CORUSessionView*>(s.app.Views().sessionView.get());
  if (view == nullptr) return;  // the capture display is not registered
  if (!view->CanPrint()) {
    std::fprintf(stderr, "screens: no capture to preview\n");
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(150);
  printer.setPageSize(QPageSize(QPageSize::Letter));
  QPrintPreviewWidget preview(&printer);
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, view, [view](QPrinter* p) { view->Print(*p); });
  preview.resize(700, 900);
  preview.fitInView();
  preview.updatePreview();
  s.Save(&preview, QStringLiteral("capture-print-preview"));
});

}  // namespace
