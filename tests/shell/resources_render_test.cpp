// Every template built offscreen: each text fits its control in the substitute fonts, and each
// dialog renders. Set QV_RESOURCE_SHOTS to a folder to keep the pictures for a look.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <memory>
#include <set>

#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "tests/shell/resources_test_app.h"

namespace {

std::unique_ptr<QWidget> Build(const DialogTemplate& dialog) {
  if (dialog.kind == DialogKind::Popup)
    return std::unique_ptr<QWidget>(BuildDialog(dialog.id, nullptr));
  return std::unique_ptr<QWidget>(BuildForm(dialog.id, nullptr));
}

// The longest texts the windows put into controls that start empty.
void FillWithLongestTexts(QWidget* root, int templateId) {
  auto set = [&](int id, const char* text) {
    if (auto* label = FindControlAs<QLabel>(root, id)) label->setText(text);
  };
  if (templateId == 100) {
    set(1138, "Quorlan View PC 12. 10. 30. 47");
    set(1141, "ORUpc 144 V12.34");
  }
  if (templateId == 196) {
    auto* list = FindControlAs<QListWidget>(root, 1179);
    for (const char* line : {"gc:7:8:9:1:0:0", "vn:ORUpc 144 V2.14", "sr", "ca:1:0"}) {
      list->addItem(line);
    }
  }
  if (auto* button = FindControlAs<QPushButton>(root, 1084); button && templateId == 130) {
    button->setText("End Capture");
  }
  if (auto* button = FindControlAs<QPushButton>(root, 1060); button && templateId == 130) {
    button->setText("End Trace");
  }
}

// Names the first text of `root` that does not fit its control, or returns "".
std::string FirstCutText(QWidget* root) {
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!ControlId(widget) || widget->isHidden()) continue;
    const QFontMetrics metrics(widget->font());
    const std::string where = widget->objectName().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
      const QRect need = metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                              Qt::TextWordWrap | label->alignment(), label->text());
      if (need.width() > label->width() || need.height() > label->height()) {
        return where + " \"" + label->text().toStdString() + "\" needs " +
               std::to_string(need.width()) + "x" + std::to_string(need.height());
      }
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
      if (check->sizeHint().width() > check->width())
        return where + " " + check->text().toStdString();
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      if (radio->sizeHint().width() > radio->width())
        return where + " " + radio->text().toStdString();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      QString shown = button->text();
      shown.remove(u'&');
      if (metrics.horizontalAdvance(shown) + 8 > button->width() ||
          metrics.height() + 4 > button->height()) {
        return where + " \"" + shown.toStdString() + "\"";
      }
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
      if (metrics.horizontalAdvance(box->title()) + 16 > box->width()) return where;
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) {
        if (metrics.horizontalAdvance(combo->itemText(i)) + 28 > combo->width()) {
          return where + " item \"" + combo->itemText(i).toStdString() + "\"";
        }
      }
    }
  }
  return "";
}

class RenderedTemplateTest : public testing::TestWithParam<int> {};

TEST_P(RenderedTemplateTest, TextsFitAndTheDialogRenders) {
  // The layouts rely on "Arial" (the dialog face's stand-in) having Arial's widths: the
  // lower-case alphabet at 100 pixels is 1272.7 pixels wide in Arial and its metric twins.
  QFont arial("Arial");
  arial.setPixelSize(100);
  const double alphabet = QFontMetricsF(arial).horizontalAdvance("abcdefghijklmnopqrstuvwxyz");
  ASSERT_NEAR(alphabet, 1272.7, 15.0)
      << "\"Arial\" resolves to " << QFontInfo(arial).family().toStdString()
      << ", which lacks Arial's metrics: install fonts-liberation2 "
         "(scripts/setup.sh)";
  const DialogTemplate& dialog = *FindDialogTemplate(GetParam());
  std::unique_ptr<QWidget> built = Build(dialog);
  ASSERT_TRUE(built);
  FillWithLongestTexts(built.get(), dialog.id);
  built->show();
  EXPECT_EQ(FirstCutText(built.get()), "") << "template " << dialog.id;

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
