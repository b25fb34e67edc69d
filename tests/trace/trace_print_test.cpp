// The signal trace printed and marked in the whole application: the shell's Print command on the
// SIGNAL TRACE tab writes one PDF page a reader sees with its title and page line, an empty trace
// prints nothing, and a marker placed by a double-click marks the trace modified.

#include <QApplication>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

#include "link/store/DocumentType.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/frame/TabbedFrame.h"
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
    return dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
  }

  void LoadTrace(int count) {
    CORUData& store = app().dataStore;
    auto& fields = LinkFields(store);
    std::lock_guard lock(fields.dataMutex);
    fields.traceSamples.RemoveAll();
    for (int i = 0; i < count; ++i) fields.traceSamples.Add(static_cast<int>(40 * std::sin(i / 25.0)));
    fields.currentTrace.scaleIndex = 0;
    fields.currentTrace.spanIndex = 1;
    fields.sysCfg.value1 = 0.02;
    fields.sysCfg.value2 = -0.5;
    app().settings.traceScale = 0;
    app().settings.traceSpan = 1;
  }

  // The print dialog answered with a PDF file as the printer.
  void PrintToPdf(const QString& path, int dpi = 300) {
    answers.Modal([path, dpi](QDialog& dialog) {
      auto* print = qobject_cast<QPrintDialog*>(&dialog);
      if (print == nullptr) return int(QDialog::Rejected);
      print->printer()->setOutputFormat(QPrinter::PdfFormat);
      print->printer()->setOutputFileName(path);
      print->printer()->setResolution(dpi);
      return int(QDialog::Accepted);
    });
  }
};

TEST_F(TracePrint, OnePdfPageWithTheTitleAndThePageLine) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  LoadTrace(1000);
  ASSERT_TRUE(app().currentDocument->OnSaveDocument(Path("run2.ast"), DocumentType::Trace));
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

// One word of a PDF page as pdftotext -bbox places it, in points.
struct PdfWord {
  QString text;
  double xMin = 0, yMin = 0, xMax = 0;
  double CentreX() const { return (xMin + xMax) / 2; }
};

std::vector<PdfWord> PdfWords(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
  if (!process.waitForFinished(120000)) return {};
  const QString xml = QString::fromUtf8(process.readAllStandardOutput());
  static const QRegularExpression word(
      QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
  std::vector<PdfWord> words;
  for (auto it = word.globalMatch(xml); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    words.push_back({m.captured(4), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()});
  }
  return words;
}

// The printed time axis spans the plot: from its "0" (where the trace starts) to the plot's right
// edge, the panels' right edge (one screen pixel is 0.01 inch, 0.72 point, on the page), the last
// label lies in the last tenth, at a usual and a high resolution.
TEST_F(TracePrint, TimeAxisLabelsReachThePlotsRightEdge) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  LoadTrace(1000);
  const int plotRight = 50 + view->VoltPanel()->width() + view->TimePanel()->width();
  for (int dpi : {300, 1200}) {
    const QString pdf = Path(QStringLiteral("axis%1.pdf").arg(dpi));
    PrintToPdf(pdf, dpi);
    app().mainFrame->OnCommand(ID_FILE_PRINT);
    const std::vector<PdfWord> words = PdfWords(pdf);
    const PdfWord* zero = nullptr;  // the time axis's "0" lies below the volt axis's
    const PdfWord* last = nullptr;
    const PdfWord* page = nullptr;  // "Page 1 of 1" starts at x 50, beside the page's margin
    for (const PdfWord& w : words) {
      if (w.text == "0" && (zero == nullptr || w.yMin > zero->yMin)) zero = &w;
      if (w.text == "10.0") last = &w;
      if (w.text == "Page") page = &w;
    }
    ASSERT_TRUE(zero != nullptr && last != nullptr && page != nullptr) << dpi << " dpi: " << words.size() << " words";
    const double left = zero->CentreX();
    const double right = page->xMin + (plotRight - 50) * 0.72;
    EXPECT_GE(last->CentreX(), left + 0.9 * (right - left)) << dpi << " dpi";
    EXPECT_LE(last->xMax, right + 1) << dpi << " dpi";
  }
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
  doc.SetTypeModified(false, DocumentType::Trace);
  view->RedrawAxisPanels();
  view->RefreshScope();
  const QPointF at(view->ScopeArea()->geometry().topLeft() + QPoint(200, view->ScopeArea()->height() / 2));
  auto doubleClick = [&] {
    QMouseEvent event(QEvent::MouseButtonDblClick, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  };
  doubleClick();
  EXPECT_TRUE(doc.IsTypeModified(DocumentType::Trace));
  EXPECT_FALSE(doc.IsTypeModified(DocumentType::Capture));
  CORUData& store = app().dataStore;
  // The next walk finds the sample under the marker.
  view->RefreshScope();
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);
    EXPECT_GE(fields.traceCursor1, 0);
    EXPECT_GE(fields.traceMarker1, 0);
  }
  // The same place again removes it, and the walk after forgets the sample.
  doubleClick();
  view->RefreshScope();
  std::lock_guard lock(fields.dataMutex);
  EXPECT_EQ(fields.traceCursor1, -1);
  EXPECT_EQ(fields.traceMarker1, -1);
}

}  // namespace
