// The capture text view, made directly: rows and colours on screen, hover and selection, modem
// events, the live-capture scroll, and its printout holding every record once.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <memory>
#include <random>

#include "display/CaptureView.h"
#include "display/QtColor.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "tests/display/DisplayTestData.h"
#include "tests/display/PdfText.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FontCheck.h"
#include "link/store/LinkAccess.h"

namespace {

using namespace displaytest;

class CaptureViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    ASSERT_TRUE(CourierNewIsFixedPitch());
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    DefaultViewSettings(app->settings);
    document = std::make_unique<CORUpc144Doc>(*app);
    app->currentDocument = document.get();
    document->SetTitle(QStringLiteral("CAPTURETEXT"));
    view = std::make_unique<CORUCaptureView>(app->viewContext(), nullptr);
    view->resize(575, 475);
    view->show();
    ASSERT_TRUE(dir.isValid());
  }
  void TearDown() override {
    view.reset();
    app->currentDocument = nullptr;
    document.reset();
    app.reset();
  }
  CORUData& store() { return app->dataStore; }
  QImage Shot() {
    view->EnsureLayout();
    return view->viewport()->grab().toImage();
  }
  // A pixel inside the row of record `index`, clear of any glyph (the records are blanks).
  QColor RowColour(const QImage& image, int index) {
    const QRect row = view->RowPixels(index);
    return image.pixelColor(row.topLeft() + QPoint(1, 1));
  }
  void Mouse(QEvent::Type type, QPoint point) {
    const bool button = type != QEvent::MouseMove;
    QMouseEvent event(type, QPointF(point), view->viewport()->mapToGlobal(QPointF(point)),
                      button ? Qt::LeftButton : Qt::NoButton, button ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
  }
  QPoint Centre(int index) { return view->RowPixels(index).center(); }
  void SaveShot(const QImage& image, const char* name) {
    const QByteArray folder = qgetenv("QV_DISPLAY_SHOTS");
    if (!folder.isEmpty()) image.save(QString::fromUtf8(folder) + "/" + name + ".png");
  }

  std::unique_ptr<CORUpc144App> app;
  std::unique_ptr<CORUpc144Doc> document;
  std::unique_ptr<CORUCaptureView> view;
  QTemporaryDir dir;
};

TEST_F(CaptureViewTest, AnswerRowOneCellLowerInItsOwnColumn) {
  AddEvent(store(), false);
  AddByte(store(), ' ', false);
  AddByte(store(), ' ', true);
  UpdateLastCount(store());
  const QImage image = Shot();
  const QRect originate = view->RowPixels(0);
  const QRect answer = view->RowPixels(1);
  ASSERT_FALSE(originate.isEmpty());
  EXPECT_GT(answer.left(), originate.left());
  EXPECT_NEAR(answer.top() - originate.top(), originate.height(), 1);
  EXPECT_EQ(RowColour(image, 0), ToQColor(kDefaultOriginateColor));
  EXPECT_EQ(RowColour(image, 1), ToQColor(kDefaultAnswerColor));
  // Under the Originate byte and above the Answer byte: the white page.
  EXPECT_EQ(image.pixelColor(originate.topLeft() + QPoint(1, originate.height() + 1)), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(answer.topLeft() + QPoint(1, 1 - answer.height())), QColor(Qt::white));
  // The title is black across the view.
  EXPECT_EQ(image.pixelColor(QPoint(view->viewport()->width() - 3, 1)), QColor(Qt::black));
}

TEST_F(CaptureViewTest, HexColumnsAlternateWithTheScreenShade) {
  app->settings.viewType = ViewType::Hex;
  AddEvent(store(), false);
  for (int k = 0; k < 4; ++k) AddByte(store(), 0x20, true);  // "20": the glyphs sit right of the corner
  const QImage image = Shot();
  EXPECT_EQ(RowColour(image, 0), ToQColor(CellShade(kDefaultAnswerColor, ShadeRule::Screen)));
  EXPECT_EQ(RowColour(image, 1), ToQColor(kDefaultAnswerColor));
  EXPECT_EQ(RowColour(image, 2), ToQColor(CellShade(kDefaultAnswerColor, ShadeRule::Screen)));
  EXPECT_NE(CellShade(kDefaultAnswerColor, ShadeRule::Screen), kDefaultAnswerColor);
}

TEST_F(CaptureViewTest, ModemEventIsOneAsteriskOrTwoRedHexCells) {
  LinkFields(store()).showModemEvents = 1;
  AddEvent(store(), false);
  AddByte(store(), ' ', false);
  AddModemEvent(store(), 0x11, 0x22, false);
  AddByte(store(), ' ', false);
  QImage image = Shot();
  EXPECT_FALSE(view->RowPixels(1).isEmpty());
  EXPECT_TRUE(view->RowPixels(2).isEmpty());
  EXPECT_NEAR(view->RowPixels(1).width(), view->RowPixels(0).width(), 1);
  int red = 0;
  const QRect star = view->RowPixels(1);
  for (int x = star.left(); x <= star.right(); ++x)
    for (int y = star.top(); y <= star.bottom(); ++y) red += image.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
  EXPECT_GT(red, star.width() * star.height() / 2);
  app->settings.viewType = ViewType::Hex;
  view->OnUpdate();
  image = Shot();
  SaveShot(image, "capture-text-view-hex");
  EXPECT_EQ(RowColour(image, 1), QColor(255, 0, 0));
  EXPECT_EQ(RowColour(image, 2), QColor(255, 0, 0));
  EXPECT_GT(view->RowPixels(3).left(), view->RowPixels(2).left());
}

TEST_F(CaptureViewTest, HoverInvertsOtherBytesButNotTheSelectedOne) {
  AddEvent(store(), false);
  AddEvent(store(), false);
  for (int k = 0; k < 6; ++k) AddByte(store(), ' ', false);
  LinkFields(store()).currentRecordIndex = 3;
  Shot();
  Mouse(QEvent::MouseMove, Centre(1));
  EXPECT_EQ(view->HoverIndex(), 1);
  EXPECT_EQ(LinkFields(store()).cursorRecordIndex.load(), 1);
  EXPECT_EQ(LinkFields(store()).cursorEventIndex.load(), 1);
  QImage image = Shot();
  EXPECT_EQ(RowColour(image, 1), ToQColor(kDefaultOriginateColor ^ 0xFFFFFF));
  EXPECT_EQ(RowColour(image, 2), ToQColor(kDefaultOriginateColor));
  Mouse(QEvent::MouseMove, Centre(3));
  EXPECT_EQ(view->HoverIndex(), 3);
  image = Shot();
  EXPECT_EQ(RowColour(image, 3), ToQColor(kDefaultMarkerColor));
  EXPECT_EQ(RowColour(image, 1), ToQColor(kDefaultOriginateColor));
  // Off every cell: nothing hovered.
  Mouse(QEvent::MouseMove, QPoint(view->viewport()->width() - 5, view->viewport()->height() - 5));
  EXPECT_EQ(view->HoverIndex(), -1);
}

TEST_F(CaptureViewTest, DoubleClickOnAPairsSecondSelectsItsFirst) {
  app->settings.viewType = ViewType::Hex;
  LinkFields(store()).showModemEvents = 1;
  AddEvent(store(), false);
  AddByte(store(), ' ', true);
  AddModemEvent(store(), 0x11, 0x22, true);
  AddByte(store(), ' ', true);
  Shot();
  Mouse(QEvent::MouseButtonDblClick, Centre(2));
  EXPECT_EQ(LinkFields(store()).currentRecordIndex.load(), 1);
  EXPECT_TRUE(document->IsTypeModified(DocumentType::Capture));
  QImage image = Shot();
  EXPECT_EQ(RowColour(image, 1), ToQColor(kDefaultMarkerColor));
  EXPECT_EQ(RowColour(image, 2), ToQColor(kDefaultMarkerColor));
  // Again on the selected event clears it; a miss clears a selection too.
  Mouse(QEvent::MouseButtonDblClick, Centre(1));
  EXPECT_EQ(LinkFields(store()).currentRecordIndex.load(), -1);
  image = Shot();
  EXPECT_EQ(RowColour(image, 1), QColor(255, 0, 0));
  Mouse(QEvent::MouseButtonDblClick, Centre(3));
  EXPECT_EQ(LinkFields(store()).currentRecordIndex.load(), 3);
  Mouse(QEvent::MouseButtonDblClick, QPoint(view->viewport()->width() - 5, view->viewport()->height() - 5));
  EXPECT_EQ(LinkFields(store()).currentRecordIndex.load(), -1);
}

TEST_F(CaptureViewTest, LiveCaptureKeepsTheEndInView) {
  AddEvent(store(), false);
  for (int k = 0; k < 6000; ++k) AddByte(store(), UCHAR('a' + k % 26), k % 3 == 0);
  const QImage image = Shot();
  SaveShot(image, "capture-text-view");
  // Under the first line (record 0 is an Answer byte, in the lower row): the separator's two
  // black lines with white between them.
  const QRect row = view->RowPixels(0);
  ASSERT_FALSE(row.isEmpty());
  QString stripe;
  for (int y = row.bottom() + 1; y <= row.bottom() + 4; ++y) {
    const QColor c = image.pixelColor(row.left() + 2, y);
    stripe += c == QColor(Qt::black) ? 'B' : c == QColor(Qt::white) ? 'W' : '?';
  }
  EXPECT_TRUE(stripe.startsWith(QStringLiteral("BWB")) || stripe.startsWith(QStringLiteral("BWWB")))
      << stripe.toStdString();
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Running; });
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(bar->value(), bar->maximum());
  const int end = bar->value();
  QWheelEvent wheel(QPointF(50, 50), view->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &wheel);
  EXPECT_EQ(bar->value(), end);
  // More data: a paint alone shows the stored layout; the live tick lays it out and scrolls to
  // the new end.
  for (int k = 0; k < 600; ++k) AddByte(store(), 'x', false);
  const int runs = view->LayoutRuns();
  view->viewport()->repaint();
  EXPECT_EQ(view->LayoutRuns(), runs);
  EXPECT_EQ(bar->maximum(), end);
  view->StartLiveRefresh();
  EXPECT_TRUE(apptest::Eventually([&] { return bar->value() == bar->maximum() && bar->maximum() > end; }));
  view->StopLiveRefresh();
  store().ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
}

TEST_F(CaptureViewTest, PrintoutHoldsEveryRecordOnce) {
  // Letters that no title, header or footer contains, so the body's text can be picked out.
  const std::string alphabet = "qxzjkwvm";
  std::string expected;
  std::mt19937 random(9);
  for (int e = 0; e < 5; ++e) {
    AddEvent(store(), false, "CONNECT");
    for (int k = 0, n = 300 + int(random() % 900); k < n; ++k) {
      const char c = alphabet[random() % alphabet.size()];
      AddByte(store(), UCHAR(c), false);
      expected += c;
    }
    UpdateLastCount(store());
  }
  Shot();
  const int runs = view->LayoutRuns();
  const QString path = dir.filePath("text.pdf");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setResolution(300);
  printer.setPageSize(QPageSize(QPageSize::Letter));
  printer.setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
  ASSERT_TRUE(view->CanPrint());
  view->Print(printer);
  const int pages = view->PrintedPageCount();
  ASSERT_GE(pages, 2);
  KeepPdf(path, QStringLiteral("capture-text-print"));
  EXPECT_EQ(PdfPages(path), pages);
  const QStringList texts = PdfPageTexts(path);
  ASSERT_EQ(texts.size(), pages);
  std::string printed;
  for (int p = 0; p < pages; ++p) {
    EXPECT_TRUE(texts[p].contains(QStringLiteral("CAPTURETEXT"))) << p;
    EXPECT_TRUE(texts[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages))) << p;
    for (QChar c : texts[p])
      if (alphabet.find(char(c.unicode())) != std::string::npos) printed += char(c.unicode());
  }
  EXPECT_EQ(printed.size(), expected.size());
  EXPECT_TRUE(printed == expected);
  // The screen lays out again for its own width, and hit testing works on it.
  Shot();
  EXPECT_EQ(view->LayoutRuns(), runs + 1);
  Mouse(QEvent::MouseMove, Centre(5));
  EXPECT_EQ(view->HoverIndex(), 5);
}

TEST_F(CaptureViewTest, NoRecordsNoPrintJob) {
  AddEvent(store(), false);
  EXPECT_FALSE(view->CanPrint());
  const QString path = dir.filePath("empty.pdf");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  view->Print(printer);
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(view->PrintedPageCount(), 0);
  // An empty view paints the plain window colour.
  const QImage image = Shot();
  EXPECT_EQ(image.pixelColor(10, 10), view->palette().color(QPalette::Base));
}

}  // namespace
