// Session printing to PDF: the page count, each page's title, configuration line and footer,
// every line on exactly one page, the dialog's range, the trace lines, the preview, and a screen
// that keeps its own lines.

#include <gtest/gtest.h>

#include <QImage>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <random>
#include <set>

#include <QPrintDialog>
#include <QPrintPreviewDialog>

#include "display/RegisterDisplayViews.h"
#include "display/SessionPrint.h"
#include "display/SessionView.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "resources/data/ResourceIds.h"
#include "tests/display/DisplayTestData.h"
#include "tests/display/PdfText.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

void ToPdf(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(300);
  printer.setPageSize(QPageSize(QPageSize::Letter));
  printer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
}

QStringList* collected = nullptr;
void Collect(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (collected != nullptr && context.category != nullptr && QByteArray(context.category) == "qv.display.print") {
    collected->push_back(message);
  }
}

class SessionPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    ASSERT_TRUE(CourierNewIsFixedPitch());
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    DefaultViewSettings(app->settings);
    document = std::make_unique<CORUpc144Doc>(*app);
    app->currentDocument = document.get();
    document->SetTitle(QStringLiteral("CALLPRINT"));
    LinkFields(store()).sysCfg.standard = 2;
    LinkFields(store()).sysCfg.sync = 1;
    LinkFields(store()).sysCfg.triggerText = "TRIG";
    view = new CORUSessionView(app->viewContext(), nullptr);
    view->resize(575, 475);
    view->show();
    app->Views().sessionView.Set(view);
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override {
    delete view;
    app->currentDocument = nullptr;
    document.reset();
    app.reset();
  }
  CORUData& store() { return app->dataStore; }
  // One event of `bytes` upper-case letters in the Originate direction: every data line is a
  // word of its own.
  void FillWords(int bytes, std::uint32_t seed = 5) {
    AddEvent(store(), false, "CONNECT 2400");
    std::mt19937 random(seed);
    for (int k = 0; k < bytes; ++k) AddByte(store(), UCHAR('A' + random() % 26), false);
    UpdateLastCount(store());
  }
  std::string LineText(const CORUSessionLine& line) {
    std::string text;
    for (int i = line.firstByte; i <= line.lastByte; ++i) text += char(LinkFields(store()).captureBuffer[i].data);
    return text;
  }
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
  // Adds words until a print of the printer's geometry has exactly `pages` pages.
  void FillPages(QPrinter& printer, int pages) {
    FillWords(2000);
    std::mt19937 random(17);
    for (;;) {
      SessionPrintJob probe(app->viewContext());
      probe.Prepare(printer, printer.width(), printer.height());
      if (probe.Pages() >= pages) {
        ASSERT_EQ(probe.Pages(), pages);
        return;
      }
      for (int k = 0; k < 40; ++k) AddByte(store(), UCHAR('A' + random() % 26), false);
      UpdateLastCount(store());
    }
  }

  std::unique_ptr<CORUpc144App> app;
  std::unique_ptr<CORUpc144Doc> document;
  CORUSessionView* view = nullptr;
  QTemporaryDir dir;
};

TEST_F(SessionPrintTest, EveryPageHasItsHeaderAndEveryLineLandsOnOnePage) {
  FillWords(9000);
  QPrinter printer(QPrinter::HighResolution);
  ToPdf(printer, Path("call.pdf"));
  SessionPrintJob job(app->viewContext());
  ASSERT_TRUE(job.Print(printer));
  const int pages = job.Pages();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(job.LayoutRuns(), 1);
  KeepPdf(Path("call.pdf"), QStringLiteral("session-print"));
  EXPECT_EQ(PdfPages(Path("call.pdf")), pages);
  const QStringList texts = PdfPageTexts(Path("call.pdf"));
  ASSERT_EQ(texts.size(), pages);
  const QRegularExpression config(QStringLiteral("HS 9600\\s+Sync\\s+8N1\\s+TRIG"));
  for (int p = 0; p < pages; ++p) {
    EXPECT_TRUE(texts[p].contains(QStringLiteral("CALLPRINT"))) << p;
    EXPECT_TRUE(config.match(texts[p]).hasMatch()) << p;
    EXPECT_TRUE(texts[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages))) << p;
  }
  EXPECT_TRUE(texts[0].contains(QStringLiteral("EVENT #1:")));
  const auto& lines = job.Layout().Lines();
  int dataLines = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (!lines[k].IsData()) continue;
    ++dataLines;
    const QString word = QString::fromStdString(LineText(lines[k]));
    int on = 0;
    for (int p = 0; p < pages; ++p) {
      if (!texts[p].contains(word)) continue;
      ++on;
      EXPECT_EQ(p + 1, job.Plan().pageOfLine[k]) << k;
    }
    EXPECT_EQ(on, 1) << "line " << k << " " << word.toStdString();
  }
  EXPECT_GT(dataLines, 50);
}

TEST_F(SessionPrintTest, OneEventPrintsPageOneOfOne) {
  FillWords(30);
  QPrinter printer(QPrinter::HighResolution);
  ToPdf(printer, Path("one.pdf"));
  ASSERT_TRUE(view->CanPrint());
  view->Print(printer);
  EXPECT_EQ(PdfPages(Path("one.pdf")), 1);
  const QStringList texts = PdfPageTexts(Path("one.pdf"));
  ASSERT_EQ(texts.size(), 1);
  EXPECT_TRUE(texts[0].contains(QStringLiteral("Page 1 of 1")));
}

TEST_F(SessionPrintTest, RangeTwoToThreeOfFiveCountsEveryPage) {
  QPrinter printer(QPrinter::HighResolution);
  ToPdf(printer, Path("range.pdf"));
  FillPages(printer, 5);
  printer.setPrintRange(QPrinter::PageRange);
  printer.setFromTo(2, 3);
  SessionPrintJob job(app->viewContext());
  ASSERT_TRUE(job.Print(printer));
  EXPECT_EQ(job.PagesPrinted(), (std::vector<int>{2, 3}));
  EXPECT_EQ(PdfPages(Path("range.pdf")), 2);
  const QStringList texts = PdfPageTexts(Path("range.pdf"));
  ASSERT_EQ(texts.size(), 2);
  EXPECT_TRUE(texts[0].contains(QStringLiteral("Page 2 of 5")));
  EXPECT_TRUE(texts[1].contains(QStringLiteral("Page 3 of 5")));
  // Only the lines of pages 2 and 3.
  const auto& lines = job.Layout().Lines();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (!lines[k].IsData()) continue;
    const int page = job.Plan().pageOfLine[k];
    const QString word = QString::fromStdString(LineText(lines[k]));
    EXPECT_EQ(texts.join(QString()).contains(word), page == 2 || page == 3) << k;
  }
  // A range past the end prints nothing.
  printer.setOutputFileName(Path("none.pdf"));
  printer.setFromTo(6, 7);
  SessionPrintJob none(app->viewContext());
  EXPECT_FALSE(none.Print(printer));
  EXPECT_FALSE(QFile::exists(Path("none.pdf")));
}

TEST_F(SessionPrintTest, LineEndingAtTheBottomStartsTheNextPageInTheTrace) {
  FillWords(3000);
  QImage device(8, 8, QImage::Format_RGB32);
  device.setDotsPerMeterX(11811);  // 300 dpi
  device.setDotsPerMeterY(11811);
  SessionPrintJob tall(app->viewContext());
  tall.Prepare(device, 2400, 100000);
  const auto& lines = tall.Layout().Lines();
  ASSERT_GT(lines.size(), 20u);
  // A page whose bottom is exactly where line 9 ends.
  LONG end = tall.Geometry().firstLineY;
  for (int k = 0; k < 10; ++k) end += lines[std::size_t(k)].Height();
  const int pageHeight = int(end) + 2 * 300 / 3;

  QStringList messages;
  collected = &messages;
  QLoggingCategory::setFilterRules(QStringLiteral("qv.display.print.debug=true"));
  const QtMessageHandler previous = qInstallMessageHandler(Collect);
  SessionPrintJob job(app->viewContext());
  job.Prepare(device, 2400, pageHeight);
  qInstallMessageHandler(previous);
  QLoggingCategory::setFilterRules(QString());
  collected = nullptr;

  ASSERT_EQ(job.Geometry().bottom, end);
  EXPECT_EQ(job.Plan().pageOfLine[8], 1);
  EXPECT_EQ(job.Plan().pageOfLine[9], 2);
  EXPECT_EQ(job.Plan().topOfLine[9], 300);
  const CORUSessionLine& first = job.Layout().Lines()[9];
  EXPECT_TRUE(messages.contains(
      QStringLiteral("PageBreak 1:: Header%1  StartIDX:%2").arg(first.eventIndex).arg(first.firstByte)))
      << messages.join('\n').toStdString();
  const CORUSessionLine& placed = job.Layout().Lines()[2];  // the first data line after the title
  EXPECT_TRUE(messages.contains(
                  QStringLiteral("LineNum 2:: StartIdx:%1  EndIDX:%2").arg(placed.firstByte).arg(placed.lastByte)) ==
              (placed.firstByte != 0));
  int breaks = 0;
  for (const QString& m : messages) breaks += m.startsWith(QStringLiteral("PageBreak ")) ? 1 : 0;
  EXPECT_EQ(breaks, job.Pages() - 1);
}

TEST_F(SessionPrintTest, PreviewRendersTheSamePages) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(150);
  printer.setPageSize(QPageSize(QPageSize::Letter));
  FillPages(printer, 4);
  QPrintPreviewWidget preview(&printer);
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, view, [this](QPrinter* p) { view->Print(*p); });
  preview.updatePreview();
  EXPECT_EQ(preview.pageCount(), 4);
  EXPECT_EQ(view->PrintJobs(), 1);
}

TEST_F(SessionPrintTest, ScreenKeepsItsLinesFontAndHover) {
  LinkFields(store()).sysCfg.bitStuffed = 1;
  AddEvent(store(), true);
  std::vector<UCHAR> payload;
  for (int k = 0; k < 300; ++k) payload.push_back(UCHAR('a' + k % 26));
  for (UCHAR byte : HdlcLine(payload)) AddByte(store(), byte, true);
  UpdateLastCount(store());
  view->Refresh();
  view->EnsureLayout();
  const QRect cell = view->ByteCellRect(40);
  ASSERT_FALSE(cell.isEmpty());
  QMouseEvent move(QEvent::MouseMove, QPointF(cell.center()), view->viewport()->mapToGlobal(QPointF(cell.center())),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &move);
  ASSERT_EQ(view->HoverIndex(), 40);
  const std::vector<CORUSessionLine> before = view->Layout().Lines();
  const QSize cellBefore = view->CellSize();
  const int layoutsBefore = view->FullLayouts();

  QPrinter printer(QPrinter::HighResolution);
  ToPdf(printer, Path("sync.pdf"));
  view->Print(printer);
  ASSERT_EQ(PdfPages(Path("sync.pdf")), 1);
  const auto& after = view->Layout().Lines();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 0; k < after.size(); ++k) {
    EXPECT_EQ(after[k].rect, before[k].rect) << k;
    EXPECT_EQ(after[k].firstByte, before[k].firstByte) << k;
    EXPECT_EQ(after[k].cellCounts, before[k].cellCounts) << k;
  }
  EXPECT_EQ(view->CellSize(), cellBefore);
  EXPECT_EQ(view->HoverIndex(), 40);
  EXPECT_EQ(view->FullLayouts(), layoutsBefore);

  // More of the frame arrives: the screen's resumed walk still matches a fresh layout.
  payload.assign(80, UCHAR('z'));
  for (UCHAR byte : HdlcLine(payload)) AddByte(store(), byte, true);
  UpdateLastCount(store());
  view->Refresh();
  view->EnsureLayout();
  EXPECT_EQ(view->FullLayouts(), layoutsBefore);  // resumed, not laid out afresh
  SessionLayout fresh;
  LayoutGeometry g = view->Layout().Geometry();
  fresh.Layout(store(), g, OptionsFrom(store(), ViewType::Ascii));
  ASSERT_EQ(fresh.Lines().size(), view->Layout().Lines().size());
  for (std::size_t k = 0; k < fresh.Lines().size(); ++k)
    EXPECT_EQ(fresh.Lines()[k].cellCounts, view->Layout().Lines()[k].cellCounts) << k;
}

// The shell's printer prints to a PDF at `dpi`, with the dialog's page range when `to` is not 0.
void PrintToPdf(ScriptedAnswerer& answers, CMainFrame& frame, const QString& pdf, int dpi, int from = 0, int to = 0) {
  answers.Modal([=](QDialog& dialog) {
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    if (print == nullptr) return int(QDialog::Rejected);
    print->printer()->setOutputFormat(QPrinter::PdfFormat);
    print->printer()->setOutputFileName(pdf);
    print->printer()->setResolution(dpi);
    if (to != 0) {
      print->printer()->setPrintRange(QPrinter::PageRange);
      print->printer()->setFromTo(from, to);
    }
    return int(QDialog::Accepted);
  });
  frame.OnCommand(ID_FILE_PRINT);
}

// Through the whole application: the shell's Print and Print Preview on the CAPTURE DATA tab.
class SessionPrintCommands : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    plugAtStart = false;
    beforeInit = [](CORUpc144App& a) { RegisterDisplayViews(a.viewFactory); };
  }
  void Fill() {
    CORUData& store = app().dataStore;
    std::lock_guard guard(LinkFields(store).dataMutex);
    AddEvent(store, false, "CONNECT 2400");
    std::mt19937 random(3);
    for (int k = 0; k < 12000; ++k) AddByte(store, UCHAR('A' + random() % 26), k % 5 == 0);
    UpdateLastCount(store);
  }
};

TEST_F(SessionPrintCommands, PrintDialogRangeReachesTheSessionView) {
  ASSERT_TRUE(Start());
  auto* view = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
  ASSERT_NE(view, nullptr);
  Fill();
  const QString pdf = Path("range.pdf");
  PrintToPdf(answers, *app().mainFrame, pdf, 300, 2, 3);
  EXPECT_EQ(view->PrintJobs(), 1);
  ASSERT_EQ(PdfPages(pdf), 2);
  const QStringList texts = PdfPageTexts(pdf);
  ASSERT_EQ(texts.size(), 2);
  const QRegularExpression footer(QStringLiteral("Page 2 of (\\d+)"));
  const QRegularExpressionMatch m = footer.match(texts[0]);
  ASSERT_TRUE(m.hasMatch()) << texts[0].toStdString();
  EXPECT_GE(m.captured(1).toInt(), 3);
  EXPECT_TRUE(texts[1].contains(QStringLiteral("Page 3 of ") + m.captured(1)));
  EXPECT_TRUE(texts[0].contains(app().currentDocument->Title().trimmed())) << texts[0].toStdString();
}

TEST_F(SessionPrintCommands, PreviewShowsEveryPage) {
  ASSERT_TRUE(Start());
  auto* view = dynamic_cast<CORUSessionView*>(app().Views().sessionView.get());
  ASSERT_NE(view, nullptr);
  Fill();
  int pages = -1;
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
    if (auto* widget = dialog.findChild<QPrintPreviewWidget*>()) pages = widget->pageCount();
    return int(QDialog::Rejected);
  });
  app().mainFrame->OnCommand(ID_FILE_PRINT_PREVIEW);
  ASSERT_GT(view->PrintJobs(), 0);
  EXPECT_GT(pages, 1);
  // The same job on the preview's printer geometry counts the same pages.
  QPrinter printer(QPrinter::HighResolution);
  SessionPrintJob job(app().viewContext());
  job.Prepare(printer, printer.width(), printer.height());
  EXPECT_EQ(pages, job.Pages());
}

TEST_F(SessionPrintCommands, PreviewAfterARangedPrintShowsTheWholeCurrentDocument) {
  ASSERT_TRUE(Start());
  Fill();
  PrintToPdf(answers, *app().mainFrame, Path("range.pdf"), 300, 2, 3);
  const QStringList printed = PdfPageTexts(Path("range.pdf"));
  ASSERT_EQ(printed.size(), 2);
  const QRegularExpressionMatch all = QRegularExpression(QStringLiteral("Page 2 of (\\d+)")).match(printed[0]);
  ASSERT_TRUE(all.hasMatch());
  answers.SaveFile(Path("renamed"));
  app().OnCommand(ID_FILE_SAVE_AS);
  ASSERT_EQ(app().currentDocument->Title(), QStringLiteral("Quorlan View PC - renamed.hsc"));

  int pages = -1;
  QString title;
  answers.Modal([&](QDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
    if (auto* widget = dialog.findChild<QPrintPreviewWidget*>()) pages = widget->pageCount();
    title = dialog.windowTitle();
    return int(QDialog::Rejected);
  });
  app().mainFrame->OnCommand(ID_FILE_PRINT_PREVIEW);
  EXPECT_EQ(pages, all.captured(1).toInt());
  EXPECT_TRUE(title.contains(QStringLiteral("renamed.hsc"))) << title.toStdString();
}

// Each printed character of a two-direction capture stands on its own cell's colour at any
// printer resolution: on the rendered page, just inside both ends of every data word the row's
// colour shows, just outside them the white of the neighbouring cells of the other direction.
class SessionPrintCells : public SessionPrintCommands, public ::testing::WithParamInterface<int> {};

TEST_P(SessionPrintCells, EveryCharacterLiesOnItsCellsColour) {
  ASSERT_TRUE(Start());
  {
    CORUData& store = app().dataStore;
    std::lock_guard guard(LinkFields(store).dataMutex);
    AddEvent(store, false, "CONNECT 2400");
    std::mt19937 random(11);
    bool answer = false;
    while (LinkFields(store).captureBuffer.GetSize() < 1500) {
      for (int n = 1 + int(random() % 5); n > 0; --n) AddByte(store, UCHAR('a' + random() % 8), answer);
      answer = !answer;
    }
    UpdateLastCount(store);
  }
  const QString pdf = Path("cells.pdf");
  PrintToPdf(answers, *app().mainFrame, pdf, GetParam());
  constexpr int kRenderDpi = 144;  // two pixels a point
  const QImage page = PdfPageImage(pdf, 1, kRenderDpi);
  ASSERT_FALSE(page.isNull());
  const auto white = [&](qreal xPoints, qreal yPoints) {
    const QRgb pixel = page.pixel(int(xPoints * kRenderDpi / 72), int(yPoints * kRenderDpi / 72));
    return qRed(pixel) > 240 && qGreen(pixel) > 240 && qBlue(pixel) > 240;
  };
  const QRegularExpression data(QStringLiteral("^[a-h]+$"));
  int words = 0;
  for (const PdfWord& word : PdfWords(pdf, 1)) {
    if (!data.match(word.text).hasMatch()) continue;
    ++words;
    const qreal y = word.box.top() + 0.5;
    const QString at = QStringLiteral("%1 at %2,%3").arg(word.text).arg(word.box.left()).arg(word.box.top());
    EXPECT_FALSE(white(word.box.left() + 1, y)) << at.toStdString();
    EXPECT_FALSE(white(word.box.right() - 1, y)) << at.toStdString();
    EXPECT_TRUE(white(word.box.left() - 1, y)) << at.toStdString();
    EXPECT_TRUE(white(word.box.right() + 1, y)) << at.toStdString();
  }
  EXPECT_GT(words, 200);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, SessionPrintCells, ::testing::Values(300, 1200));

}  // namespace
