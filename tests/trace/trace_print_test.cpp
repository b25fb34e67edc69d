// The signal trace printed and marked in the whole application: the shell's Print command on the
// SIGNAL TRACE tab writes one PDF page a reader sees with its title and page line, an empty trace
// prints nothing, and a marker placed by a double-click marks the trace modified.

#include <QApplication>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

#include "link/DocumentType.h"
#include "shell/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/TabbedFrame.h"
#include "tests/shell/AppFixture.h"
#include "tests/display/PdfText.h"
#include "trace/CORUSignalTrace.h"
#include "trace/RegisterTraceViews.h"

namespace {

class TracePrint : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    plugAtStart = false;
    beforeInit = [](CORUpc144App& a) { RegisterTraceViews(a.viewFactory); };
  }

  CORUSignalTrace* StartOnTraceTab() {
    if (!Start() || app().tabbedFrame == nullptr) return nullptr;
    app().tabbedFrame->SelectTab(1);
    return dynamic_cast<CORUSignalTrace*>(app().signalTraceView.get());
  }

  void LoadTrace(int count) {
    CORUData& store = app().dataStore;
    std::lock_guard lock(store.dataMutex);
    store.traceSamples.RemoveAll();
    for (int i = 0; i < count; ++i) store.traceSamples.Add(static_cast<int>(40 * std::sin(i / 25.0)));
    store.currentTrace.scaleIndex = 0;
    store.currentTrace.spanIndex = 1;
    store.sysCfg.value1 = 0.02;
    store.sysCfg.value2 = -0.5;
    app().settings.traceScale = 0;
    app().settings.traceSpan = 1;
  }

  // The print dialog answered with a PDF file as the printer.
  void PrintToPdf(const QString& path) {
    answers.Modal([path](QDialog& dialog) {
      auto* print = qobject_cast<QPrintDialog*>(&dialog);
      if (print == nullptr) return int(QDialog::Rejected);
      print->printer()->setOutputFormat(QPrinter::PdfFormat);
      print->printer()->setOutputFileName(path);
      print->printer()->setResolution(300);
      return int(QDialog::Accepted);
    });
  }
};

TEST_F(TracePrint, OnePdfPageWithTheTitleAndThePageLine) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  LoadTrace(1000);
  ASSERT_TRUE(app().currentDocument->OnSaveDocument(Path("run2.ast"), DOCUMENT_TRACE));
  const QString pdf = Path("trace.pdf");
  PrintToPdf(pdf);
  app().mainFrame->OnCommand(ID_FILE_PRINT);
  ASSERT_EQ(displaytest::PdfPages(pdf), 1);
  const QStringList pages = displaytest::PdfPageTexts(pdf);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(app().currentDocument->Title())) << pages[0].toStdString();
  EXPECT_TRUE(pages[0].contains("run2.ast")) << pages[0].toStdString();
  EXPECT_TRUE(pages[0].contains("Page 1 of 1"));
  // The axes' labels are text a reader finds too.
  EXPECT_TRUE(pages[0].contains("+60"));
  EXPECT_TRUE(pages[0].contains("10.0"));
}

TEST_F(TracePrint, NoSamplesNoDialogAndNoJob) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  const size_t asked = answers.prompts().size();
  app().mainFrame->OnCommand(ID_FILE_PRINT);
  app().mainFrame->OnCommand(ID_FILE_PRINT_PREVIEW);
  EXPECT_EQ(answers.prompts().size(), asked);  // an unscripted dialog would fail the test too
}

TEST_F(TracePrint, PreviewRendersTheOnePage) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  LoadTrace(500);
  int pages = -1;
  answers.Modal([&](QDialog& dialog) {
    // The preview paints when it is shown; its widget knows how many pages came.
    dialog.show();
    QApplication::processEvents();
    if (auto* widget = dialog.findChild<QPrintPreviewWidget*>()) pages = widget->pageCount();
    return int(QDialog::Rejected);
  });
  app().mainFrame->OnCommand(ID_FILE_PRINT_PREVIEW);
  EXPECT_EQ(pages, 1);
}

TEST_F(TracePrint, DoubleClickPlacesTheMarkerAndMarksTheTraceModified) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  LoadTrace(1000);
  CORUpc144Doc& doc = *app().currentDocument;
  doc.SetTypeModified(0, DOCUMENT_TRACE);
  view->RedrawAxisPanels();
  view->RefreshScope();
  const QPointF at(view->ScopeArea()->geometry().topLeft() + QPoint(200, view->ScopeArea()->height() / 2));
  auto doubleClick = [&] {
    QMouseEvent event(QEvent::MouseButtonDblClick, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  };
  doubleClick();
  EXPECT_EQ(doc.IsTypeModified(DOCUMENT_TRACE), 1);
  EXPECT_EQ(doc.IsTypeModified(DOCUMENT_CAPTURE), 0);
  CORUData& store = app().dataStore;
  // The next walk finds the sample under the marker.
  view->RefreshScope();
  {
    std::lock_guard lock(store.dataMutex);
    EXPECT_GE(store.traceCursor1, 0);
    EXPECT_GE(store.traceMarker1, 0);
  }
  // The same place again removes it, and the walk after forgets the sample.
  doubleClick();
  view->RefreshScope();
  std::lock_guard lock(store.dataMutex);
  EXPECT_EQ(store.traceCursor1, -1);
  EXPECT_EQ(store.traceMarker1, -1);
}

}  // namespace
