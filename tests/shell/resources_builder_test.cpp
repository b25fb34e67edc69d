// The template builder: dialog units to pixels, controls by id with their kind, text, geometry
// and styles, the dialog buttons, radio groups, nested forms, and the images.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <memory>

#include "resources/ResourceImages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"
#include "tests/shell/resources_test_app.h"

namespace {

struct DluCase {
  int dlu;
  int pixels;
};

class DluToPixelsXTest : public testing::TestWithParam<DluCase> {};
class DluToPixelsYTest : public testing::TestWithParam<DluCase> {};

TEST_P(DluToPixelsXTest, SixPixelsPerFourUnitsRoundedHalfAway) {
  EXPECT_EQ(DluToPixelsX(GetParam().dlu), GetParam().pixels) << GetParam().dlu;
}
TEST_P(DluToPixelsYTest, ThirteenPixelsPerEightUnitsRoundedHalfAway) {
  EXPECT_EQ(DluToPixelsY(GetParam().dlu), GetParam().pixels) << GetParam().dlu;
}

INSTANTIATE_TEST_SUITE_P(Units, DluToPixelsXTest,
                         testing::Values(DluCase{0, 0}, DluCase{1, 2}, DluCase{2, 3}, DluCase{3, 5}, DluCase{4, 6},
                                         DluCase{5, 8}, DluCase{7, 11}, DluCase{50, 75}, DluCase{186, 279},
                                         DluCase{-1, -2}, DluCase{-3, -5}));
INSTANTIATE_TEST_SUITE_P(Units, DluToPixelsYTest,
                         testing::Values(DluCase{0, 0}, DluCase{1, 2}, DluCase{2, 3}, DluCase{3, 5}, DluCase{4, 7},
                                         DluCase{5, 8}, DluCase{8, 13}, DluCase{14, 23}, DluCase{58, 94},
                                         DluCase{136, 221}, DluCase{-4, -7}));

TEST(DluToPixels, RectangleMapsBothEdges) {
  // Left 7 -> 11, right 57 -> 86 (85.5 rounds up); top 7 -> 11, bottom 21 -> 34.
  EXPECT_EQ(DluToPixels(DialogRect{7, 7, 50, 14}), QRect(11, 11, 75, 23));
  EXPECT_EQ(DluToPixels(DialogRect{0, 0, 186, 58}), QRect(0, 0, 279, 94));
}

std::unique_ptr<QWidget> Build(const DialogTemplate& dialog) {
  if (dialog.kind == DialogKind::Popup) return std::unique_ptr<QWidget>(BuildDialog(dialog.id, nullptr));
  return std::unique_ptr<QWidget>(BuildForm(dialog.id, nullptr));
}

QString ShownText(const char* text, bool noPrefix) {
  QString shown = QString::fromUtf8(text);
  if (!noPrefix) shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
  return shown;
}

// Whether `widget` is the Qt class the builder makes for `kind`.
bool IsKind(QWidget* widget, const DialogControl& control) {
  switch (control.kind) {
    case ControlKind::Static:
    case ControlKind::Picture:
      return qobject_cast<QLabel*>(widget) != nullptr;
    case ControlKind::Frame:
      return widget->inherits("QFrame") && !qobject_cast<QLabel*>(widget);
    case ControlKind::PushButton:
      return qobject_cast<QPushButton*>(widget) != nullptr;
    case ControlKind::CheckBox:
      return qobject_cast<QCheckBox*>(widget) != nullptr;
    case ControlKind::RadioButton:
      return qobject_cast<QRadioButton*>(widget) != nullptr;
    case ControlKind::GroupBox:
      return qobject_cast<QGroupBox*>(widget) != nullptr;
    case ControlKind::Edit:
      return control.style & StyleMultiline ? qobject_cast<QPlainTextEdit*>(widget) != nullptr
                                            : qobject_cast<QLineEdit*>(widget) != nullptr;
    case ControlKind::ComboBox:
      return qobject_cast<QComboBox*>(widget) != nullptr;
    case ControlKind::ListBox:
      return qobject_cast<QListWidget*>(widget) != nullptr;
    case ControlKind::HotKey:
      return qobject_cast<QKeySequenceEdit*>(widget) != nullptr;
    case ControlKind::DatePicker:
      return qobject_cast<QDateEdit*>(widget) != nullptr;
    case ControlKind::TimePicker:
      return qobject_cast<QTimeEdit*>(widget) != nullptr;
    default:
      return true;
  }
}

struct ControlRef {
  int templateId;
  size_t index;
};

std::vector<ControlRef> AllIdentifiedControls() {
  std::vector<ControlRef> refs;
  for (const DialogTemplate* dialog : AllDialogTemplates()) {
    for (size_t i = 0; i < dialog->controls.size(); ++i) {
      if (dialog->controls[i].id != kStaticControlId) refs.push_back({dialog->id, i});
    }
  }
  return refs;
}

class BuiltControlTest : public testing::TestWithParam<ControlRef> {};

TEST_P(BuiltControlTest, FoundByIdWithItsKindTextGeometryAndState) {
  const DialogTemplate& dialog = *FindDialogTemplate(GetParam().templateId);
  const DialogControl& control = dialog.controls[GetParam().index];
  std::unique_ptr<QWidget> built = Build(dialog);
  ASSERT_TRUE(built);
  QWidget* widget = FindControl(built.get(), control.id);
  ASSERT_NE(widget, nullptr) << "template " << dialog.id << " control " << control.id;
  EXPECT_EQ(widget->objectName(), QString::number(control.id));
  EXPECT_EQ(ControlId(widget), control.id);
  EXPECT_TRUE(IsKind(widget, control)) << widget->metaObject()->className();

  const QRect expected = DluToPixels(control.rect);
  if (control.kind == ControlKind::ComboBox) {
    EXPECT_EQ(widget->geometry(), QRect(expected.topLeft(), QSize(expected.width(), 21)));
  } else if (control.kind == ControlKind::Picture) {
    EXPECT_EQ(widget->pos(), expected.topLeft());
    EXPECT_FALSE(static_cast<QLabel*>(widget)->pixmap().isNull()) << "image " << control.imageId;
  } else {
    EXPECT_EQ(widget->geometry(), expected);
  }

  const QString text = QString::fromUtf8(control.text);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    EXPECT_EQ(button->text(), text);
  }
  if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    EXPECT_EQ(box->title(), text);
  }
  if (auto* label = qobject_cast<QLabel*>(widget); label && control.kind == ControlKind::Static) {
    EXPECT_EQ(label->text(), ShownText(control.text, control.style & StyleNoPrefix));
  }
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    ASSERT_EQ(combo->count(), static_cast<int>(control.items.size()));
    EXPECT_EQ(combo->currentIndex(), -1);
  }
  EXPECT_EQ(widget->isEnabled(), !(control.style & StyleDisabled));
  EXPECT_EQ(widget->isHidden(), (control.style & StyleHidden) != 0);
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, BuiltControlTest, testing::ValuesIn(AllIdentifiedControls()),
                         [](const testing::TestParamInfo<ControlRef>& info) {
                           const DialogTemplate& dialog = *FindDialogTemplate(info.param.templateId);
                           const int id = dialog.controls[info.param.index].id;
                           return "T" + std::to_string(dialog.id) + "_C" + std::to_string(id);
                         });

TEST(BuildDialog, SizeCaptionFontAndFrameFollowTheTemplate) {
  std::unique_ptr<QDialog> status(BuildDialog(178, nullptr));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->size(), QSize(279, 94));
  EXPECT_EQ(status->minimumSize(), status->maximumSize());  // a dialog's frame does not size
  EXPECT_EQ(status->windowTitle(), "Application download status");
  EXPECT_EQ(status->font().pixelSize(), 11);    // 8 points at 96 dpi
  EXPECT_EQ(status->font().family(), "Arial");  // the scalable face for "MS Sans Serif"

  std::unique_ptr<QDialog> splash(BuildDialog(152, nullptr));
  ASSERT_TRUE(splash);
  EXPECT_EQ(splash->size(), QSize(360, 221));
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);

  QWidget host;
  QWidget* panel = BuildForm(130, &host);
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->size(), QSize(DluToPixelsX(146), DluToPixelsY(137)));  // 219 x 223: its column is 220 wide
  EXPECT_FALSE(panel->isWindow());                                        // a form stays a child of its pane
  EXPECT_EQ(panel->parentWidget(), &host);

  EXPECT_EQ(BuildDialog(99999, nullptr), nullptr);
  EXPECT_EQ(BuildForm(99999, nullptr), nullptr);
}

TEST(BuildDialog, OkAcceptsCancelRejectsAndTheDefaultButtonIsMarked) {
  for (int pressed : {kOkControlId, kCancelControlId}) {
    std::unique_ptr<QDialog> dialog(BuildDialog(144, nullptr));
    dialog->open();
    auto* ok = FindControlAs<QPushButton>(dialog.get(), kOkControlId);
    auto* cancel = FindControlAs<QPushButton>(dialog.get(), kCancelControlId);
    ASSERT_TRUE(ok && cancel);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    FindControlAs<QPushButton>(dialog.get(), pressed)->click();
    EXPECT_EQ(dialog->result(), pressed == kOkControlId ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
  }
  std::unique_ptr<QDialog> status(BuildDialog(178, nullptr));
  EXPECT_TRUE(FindControlAs<QPushButton>(status.get(), kCancelControlId)->isDefault());
}

TEST(BuildDialog, FindDialogControlsStartAsTheirTemplateSays) {
  std::unique_ptr<QDialog> find(BuildDialog(171, nullptr));
  auto* kind = FindControlAs<QComboBox>(find.get(), 1122);
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->itemText(0), "ASCII text");  // sorted: capitals first
  EXPECT_EQ(kind->itemText(1), "asdf");
  EXPECT_FALSE(kind->isEditable());
  EXPECT_EQ(FindControlAs<QLineEdit>(find.get(), 1120)->maxLength(), 20);
  EXPECT_FALSE(FindControl(find.get(), 1123)->isEnabled());
  EXPECT_EQ(FindControlAs<QLineEdit>(find.get(), 1122), nullptr);  // wrong kind gives null
}

// A template of the test's own: two radio groups, a group box around the first, a hidden and a
// disabled control.
DialogTemplate TwoGroups() {
  DialogTemplate dialog;
  dialog.id = 90001;
  dialog.caption = "Groups";
  dialog.rect = {0, 0, 160, 80};
  dialog.controls = {
      {.id = 10, .kind = ControlKind::GroupBox, .text = "Line", .rect = {4, 4, 70, 50}},
      {.id = 11,
       .kind = ControlKind::RadioButton,
       .text = "Line 1",
       .rect = {10, 14, 50, 10},
       .style = StyleGroup | StyleTabStop},
      {.id = 12, .kind = ControlKind::RadioButton, .text = "Line 2", .rect = {10, 28, 50, 10}},
      {.id = 21,
       .kind = ControlKind::RadioButton,
       .text = "DC",
       .rect = {90, 14, 50, 10},
       .style = StyleGroup | StyleTabStop},
      {.id = 22, .kind = ControlKind::RadioButton, .text = "AC", .rect = {90, 28, 50, 10}},
      {.id = 30, .kind = ControlKind::PushButton, .text = "&Go", .rect = {90, 60, 50, 14}, .style = StyleHidden},
      {.id = 31, .kind = ControlKind::Static, .text = "&Level && more", .rect = {4, 60, 80, 8}, .style = StyleDisabled},
  };
  return dialog;
}

TEST(ApplyTemplate, RadioGroupsActAsAutoRadioButtonsPerGroup) {
  QDialog dialog;
  ASSERT_TRUE(ApplyTemplate(&dialog, TwoGroups()));
  auto radio = [&](int id) { return FindControlAs<QRadioButton>(&dialog, id); };
  radio(11)->click();
  radio(21)->click();
  EXPECT_TRUE(radio(11)->isChecked());
  EXPECT_TRUE(radio(21)->isChecked());
  radio(12)->click();
  EXPECT_FALSE(radio(11)->isChecked());
  EXPECT_TRUE(radio(12)->isChecked());
  EXPECT_TRUE(radio(21)->isChecked());  // the other group keeps its choice
  radio(12)->click();
  EXPECT_TRUE(radio(12)->isChecked());  // a click never clears the checked button
  radio(12)->setChecked(false);         // code may leave a group without a choice
  EXPECT_FALSE(radio(11)->isChecked() || radio(12)->isChecked());
}

TEST(ApplyTemplate, GroupBoxStaysBehindAndStylesApply) {
  QDialog dialog;
  ApplyTemplate(&dialog, TwoGroups());
  dialog.show();
  // The radio buttons inside the group box take the clicks: the box is below them.
  QWidget* atRadio = dialog.childAt(FindControl(&dialog, 11)->geometry().center());
  EXPECT_EQ(ControlId(atRadio), 11);
  EXPECT_TRUE(FindControl(&dialog, 30)->isHidden());
  EXPECT_FALSE(FindControl(&dialog, 31)->isEnabled());
  EXPECT_EQ(FindControlAs<QLabel>(&dialog, 31)->text(), "Level & more");
  EXPECT_EQ(FindControlAs<QPushButton>(&dialog, 30)->text(), "&Go");  // a mnemonic
  EXPECT_EQ(dialog.windowTitle(), "Groups");
}

TEST(FindControl, OwnControlsComeBeforeThoseOfNestedForms) {
  DialogTemplate outer = TwoGroups();
  DialogTemplate inner = TwoGroups();
  inner.id = 90002;
  inner.kind = DialogKind::ChildForm;
  inner.controls.push_back({.id = 40, .kind = ControlKind::Static, .text = "inner only", .rect = {4, 70, 60, 8}});
  inner.rect.height = 80;
  QDialog dialog;
  ApplyTemplate(&dialog, outer);
  auto* form = new QWidget(&dialog);
  ApplyTemplate(form, inner);
  FindControlAs<QPushButton>(form, 30)->setText("inner");
  EXPECT_EQ(FindControlAs<QPushButton>(&dialog, 30)->text(), "&Go");
  EXPECT_EQ(FindControlAs<QPushButton>(form, 30)->text(), "inner");
  EXPECT_EQ(FindControlAs<QLabel>(&dialog, 40)->text(), "inner only");
  // A widget that merely carries a number as its name is no control.
  auto* stray = new QLabel(&dialog);
  stray->setObjectName("77");
  EXPECT_EQ(FindControl(&dialog, 77), nullptr);
  EXPECT_EQ(ControlId(stray), 0);
  EXPECT_EQ(FindControl(nullptr, 30), nullptr);
}

bool IsMagenta(QRgb pixel) { return qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 255; }

TEST(ResourceImages, SplashIsMagentaWhereTransparentWithNoFringe) {
  const QImage splash = LoadResourceBitmap(IDB_SPLASH);
  ASSERT_FALSE(splash.isNull());
  EXPECT_EQ(splash.size(), QSize(360, 221));
  for (QPoint corner : {QPoint(0, 0), QPoint(359, 0), QPoint(0, 220), QPoint(359, 220)}) {
    EXPECT_TRUE(IsMagenta(splash.pixel(corner))) << corner.x() << "," << corner.y();
  }
  EXPECT_FALSE(IsMagenta(splash.pixel(180, 110)));
  int transparent = 0;
  for (int y = 0; y < splash.height(); ++y) {
    for (int x = 0; x < splash.width(); ++x) {
      const QRgb pixel = splash.pixel(x, y);
      if (IsMagenta(pixel)) {
        ++transparent;
        continue;
      }
      // A blend of magenta into the picture would show as a pink seam around the shape.
      const bool nearMagenta = qRed(pixel) > 200 && qBlue(pixel) > 200 && qGreen(pixel) < 80;
      ASSERT_FALSE(nearMagenta) << "fringe pixel at " << x << "," << y;
    }
  }
  EXPECT_GT(transparent, 1000);
  EXPECT_LT(transparent, splash.width() * splash.height() / 2);
}

TEST(ResourceImages, IconCursorAndToolbarImagesExist) {
  const QIcon icon = LoadResourceIcon(IDI_PROGRAM);
  ASSERT_FALSE(icon.isNull());
  EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
  EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
  const QCursor hand = LoadResourceCursor(IDC_HAND_CURSOR);
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_EQ(hand.hotSpot(), QPoint(5, 0));
  const QCursor crossHair = LoadResourceCursor(IDC_CROSS_HAIR_CURSOR);
  EXPECT_EQ(crossHair.shape(), Qt::BitmapCursor);
  EXPECT_EQ(crossHair.hotSpot(), QPoint(15, 15));
  EXPECT_EQ(LoadResourceCursor(12345).shape(), Qt::ArrowCursor);
  for (int id : {57600, 57601, 57603, 57607, 57664}) {
    EXPECT_FALSE(LoadToolbarIcon(id).isNull()) << id;
  }
  EXPECT_TRUE(LoadToolbarIcon(57604).isNull());
  EXPECT_TRUE(LoadResourceBitmap(12345).isNull());
}

}  // namespace
