#include "tests/shell/LayoutCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include "resources/TemplateBuilder.h"

namespace {

// Room a push button keeps between its text and its frame, where the focus rectangle goes.
constexpr int kButtonTextMargin = 2;
// A group box title's offset from the frame's left edge and its padding (the builder's style).
constexpr int kGroupTitleRoom = 16;
// QLineEdit's own margin on each side of its text.
constexpr int kEditTextMargin = 2;

QString Shown(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(u'&');
  text.replace(u'\x01', u'&');
  return text;
}

std::string Name(const QWidget* control) { return std::to_string(ControlId(control)); }

std::string Quoted(const QString& text) { return " \"" + text.toStdString() + "\""; }

// The rectangle the control's text is drawn in, and the text; an empty text needs no room.
struct TextRoom {
  QRect contents;
  QString text;
  int flags = Qt::TextSingleLine;
};

std::vector<TextRoom> TextRooms(QWidget* control) {
  QStyle* style = control->style();
  if (auto* label = qobject_cast<QLabel*>(control)) {
    if (label->text().isEmpty()) return {};
    const int m = label->margin();
    return {{label->contentsRect().adjusted(m, m, -m, -m), label->text(),
             label->wordWrap() ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine)}};
  }
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return {{contents.adjusted(kButtonTextMargin, 0, -kButtonTextMargin, 0), Shown(button->text())}};
  }
  if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
    auto* button = static_cast<QAbstractButton*>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const auto element =
        qobject_cast<QCheckBox*>(control) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
    return {{style->subElementRect(element, &option, button), Shown(button->text())}};
  }
  if (auto* box = qobject_cast<QGroupBox*>(control)) {
    return {{QRect(0, 0, box->width() - kGroupTitleRoom, box->height()), Shown(box->title())}};
  }
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.subControls = QStyle::SC_All;
    const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    std::vector<TextRoom> rooms;
    for (int i = 0; i < combo->count(); ++i) rooms.push_back({field, combo->itemText(i)});
    return rooms;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    if (edit->text().isEmpty()) return {};
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins margins = edit->textMargins();
    const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(margins)
                               .adjusted(kEditTextMargin, 0, -kEditTextMargin, 0);
    return {{contents, edit->text()}};
  }
  return {};
}

// A group box or a plain frame: drawn behind the controls it surrounds.
bool Surrounds(const QWidget* control) {
  return qobject_cast<const QGroupBox*>(control) != nullptr || control->metaObject() == &QFrame::staticMetaObject;
}

bool Allowed(std::span<const LayoutException> allowed, int templateId, int a, int b) {
  for (const LayoutException& e : allowed) {
    if (e.templateId != templateId) continue;
    if ((e.controlId == a && e.otherId == b) || (e.controlId == b && e.otherId == a)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> LayoutFaults(QWidget* form, std::span<const LayoutException> allowed) {
  const int templateId = form->property("templateId").toInt();
  const std::string where = "template " + std::to_string(templateId) + ": ";
  std::vector<QWidget*> controls;
  for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (ControlId(child) != 0 && child->isVisibleTo(form)) controls.push_back(child);
  }
  std::vector<std::string> faults;
  const QRect area(QPoint(0, 0), form->size());
  for (QWidget* control : controls) {
    const QRect at = control->geometry();
    if (!area.contains(at) && !Allowed(allowed, templateId, ControlId(control), 0)) {
      faults.push_back(where + Name(control) + " at " + std::to_string(at.x()) + "," + std::to_string(at.y()) +
                       " size " + std::to_string(at.width()) + "x" + std::to_string(at.height()) +
                       " lies outside the form's " + std::to_string(area.width()) + "x" +
                       std::to_string(area.height()));
    }
    const QFontMetrics metrics(control->font());
    for (const TextRoom& room : TextRooms(control)) {
      if (room.text.isEmpty()) continue;
      const QRect need = metrics.boundingRect(QRect(0, 0, room.contents.width(), 100000), room.flags, room.text);
      const int width = room.flags & Qt::TextWordWrap ? need.width() : metrics.horizontalAdvance(room.text);
      if (width > room.contents.width() || need.height() > room.contents.height()) {
        faults.push_back(where + Name(control) + Quoted(room.text) + " needs " + std::to_string(width) + "x" +
                         std::to_string(need.height()) + " in " + std::to_string(room.contents.width()) + "x" +
                         std::to_string(room.contents.height()));
      }
    }
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      QWidget* a = controls[i];
      QWidget* b = controls[j];
      if (!a->geometry().intersects(b->geometry())) continue;
      if (Surrounds(a) && a->geometry().contains(b->geometry())) continue;
      if (Surrounds(b) && b->geometry().contains(a->geometry())) continue;
      if (Allowed(allowed, templateId, ControlId(a), ControlId(b))) continue;
      const QRect both = a->geometry().intersected(b->geometry());
      faults.push_back(where + Name(a) + " and " + Name(b) + " overlap by " + std::to_string(both.width()) + "x" +
                       std::to_string(both.height()));
    }
  }
  return faults;
}

void FillWithLongestTexts(QWidget* form, int templateId) {
  auto label = [&](int id, const char* text) {
    if (auto* control = FindControlAs<QLabel>(form, id)) control->setText(QString::fromLatin1(text));
  };
  auto button = [&](int id, const char* text) {
    if (auto* control = FindControlAs<QPushButton>(form, id)) control->setText(QString::fromLatin1(text));
  };
  switch (templateId) {
    case 100:
      label(1138, "Quorlan View PC 12. 10. 30. 47");
      label(1141, "ORUpc 144 V12.34");
      break;
    case 130:
      button(1084, "End Capture");
      button(1060, "End Trace");
      break;
    case 173:
      label(1125, "DC -48.4 V");
      label(1127, "AC 0.96 Vpp");
      break;
    case 193:
      button(1170, "End Trace");
      if (auto* edit = FindControlAs<QLineEdit>(form, 1169)) edit->setText(QStringLiteral("-59.4 V"));
      break;
    case 196:
      if (auto* list = FindControlAs<QListWidget>(form, 1179)) {
        for (const char* line : {"gc:7:8:9:1:0:0", "vn:ORUpc 144 V2.14", "sr", "ca:1:0"}) list->addItem(line);
      }
      break;
    default:
      break;
  }
}
