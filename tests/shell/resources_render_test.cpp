// Every template built offscreen: its controls lie inside it, each text fits its control in the
// substitute fonts, no two controls overlap but a group box and its members, and it renders. Set QV_RESOURCE_SHOTS to a
// folder to keep the pictures for a look.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <set>

#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "tests/shell/LayoutCheck.h"
#include "tests/shell/resources_test_app.h"

namespace {

std::unique_ptr<QWidget> Build(const DialogTemplate& dialog) {
  if (dialog.kind == DialogKind::Popup) return std::unique_ptr<QWidget>(BuildDialog(dialog.id, nullptr));
  return std::unique_ptr<QWidget>(BuildForm(dialog.id, nullptr));
}

class RenderedTemplateTest : public testing::TestWithParam<int> {};

TEST_P(RenderedTemplateTest, TextsFitAndTheDialogRenders) {
  // The layouts rely on "Arial" (the dialog face's stand-in) having Arial's widths: the
  // lower-case alphabet at 100 pixels is 1272.7 pixels wide in Arial and its metric twins.
  QFont arial("Arial");
  arial.setPixelSize(100);
  const double alphabet = QFontMetricsF(arial).horizontalAdvance("abcdefghijklmnopqrstuvwxyz");
  ASSERT_NEAR(alphabet, 1272.7, 15.0) << "\"Arial\" resolves to " << QFontInfo(arial).family().toStdString()
                                      << ", which lacks Arial's metrics: install fonts-liberation2 "
                                         "(scripts/setup.sh)";
  const DialogTemplate& dialog = *FindDialogTemplate(GetParam());
  std::unique_ptr<QWidget> built = Build(dialog);
  ASSERT_TRUE(built);
  FillWithLongestTexts(built.get(), dialog.id);
  built->show();
  // Controls inside the form, texts that fit, no overlaps (tests/shell/LayoutCheck.h).
  std::string faults;
  for (const std::string& fault : LayoutFaults(built.get())) faults += fault + "\n";
  EXPECT_EQ(faults, "");

  const QImage picture = built->grab().toImage();
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), built->size());
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); y += 3) {
    for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 2u) << "template " << dialog.id << " rendered blank";

  static QTemporaryDir scratch;
  const QByteArray wanted = qgetenv("QV_RESOURCE_SHOTS");
  const QDir out(wanted.isEmpty() ? scratch.path() : QString::fromLocal8Bit(wanted));
  EXPECT_TRUE(picture.save(out.filePath(QStringLiteral("template%1.png").arg(dialog.id))));
}

std::vector<int> AllTemplateIds() {
  std::vector<int> ids;
  for (const DialogTemplate* dialog : AllDialogTemplates()) ids.push_back(dialog->id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(All, RenderedTemplateTest, testing::ValuesIn(AllTemplateIds()));

}  // namespace
