#include "resources/TemplateBuilder.h"

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
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTimeEdit>

#include <cstdint>

#include "resources/ResourceImages.h"
#include "resources/TemplateRadioGroup.h"
#include "resources/data/DialogTemplate.h"

namespace {

// The dialog base units of "MS Sans Serif" 8 at 96 dpi: 4 horizontal units are 6 pixels and 8
// vertical units 13 pixels.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

const char* kControlIdProperty = "controlId";

bool Has(const DialogControl& control, uint32_t style) { return (control.style & style) != 0; }

// "&Find" -> "Find", "&&" -> "&": what a static shows when '&' only marks a mnemonic.
QString WithoutMnemonic(const char* text) {
  const QString source = QString::fromUtf8(text);
  QString shown;
  shown.reserve(source.size());
  for (qsizetype i = 0; i < source.size(); ++i) {
    if (source[i] != u'&') {
      shown += source[i];
    } else if (i + 1 < source.size() && source[i + 1] == u'&') {
      shown += u'&';  // "&&" is one shown ampersand
      ++i;
    }
  }
  return shown;
}

QFont TemplateFont(const DialogTemplate& dialog) {
  return StandInFont(QString::fromUtf8(dialog.fontFace), MulDiv(dialog.fontPointSize, 96, 72));
}

QWidget* MakeStatic(const DialogControl& control, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(Has(control, StyleNoPrefix) ? QString::fromUtf8(control.text) : WithoutMnemonic(control.text));
  label->setWordWrap(true);  // a static text breaks at words, as its platform original does
  Qt::Alignment align = Qt::AlignTop;
  align |= Has(control, StyleCenter) ? Qt::AlignHCenter : Has(control, StyleRight) ? Qt::AlignRight : Qt::AlignLeft;
  label->setAlignment(align);
  if (Has(control, StyleSunken))
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  else if (Has(control, StyleBorder))
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
  return label;
}

QWidget* MakePicture(const DialogControl& control, QWidget* parent) {
  auto* label = new QLabel(parent);
  QPixmap picture = QPixmap::fromImage(LoadResourceBitmap(control.imageId));
  if (picture.isNull()) {
    const QIcon icon = LoadResourceIcon(control.imageId);
    if (!icon.isNull()) picture = icon.pixmap(32, 32);
  }
  label->setPixmap(picture);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QWidget* MakeFrame(const DialogControl& control, QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(Has(control, StyleBorder) ? (QFrame::Box | QFrame::Plain) : (QFrame::Panel | QFrame::Sunken));
  return frame;
}

QWidget* MakeEdit(const DialogControl& control, QWidget* parent) {
  if (Has(control, StyleMultiline)) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(QString::fromUtf8(control.text));
    edit->setReadOnly(Has(control, StyleReadOnly));
    return edit;
  }
  auto* edit = new QLineEdit(parent);
  edit->setText(QString::fromUtf8(control.text));
  if (control.limit > 0) edit->setMaxLength(control.limit);
  edit->setReadOnly(Has(control, StyleReadOnly));
  if (Has(control, StylePassword)) edit->setEchoMode(QLineEdit::Password);
  if (Has(control, StyleNumber)) {
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  }
  return edit;
}

QWidget* MakeCombo(const DialogControl& control, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(Has(control, StyleComboEditable));
  for (const char* item : control.items) combo->addItem(QString::fromUtf8(item));
  if (Has(control, StyleSorted)) combo->model()->sort(0);
  combo->setCurrentIndex(-1);  // a list box or combo starts with nothing selected
  return combo;
}

QWidget* MakeList(const DialogControl& control, QWidget* parent) {
  auto* list = new QListWidget(parent);
  for (const char* item : control.items) list->addItem(QString::fromUtf8(item));
  list->setSortingEnabled(Has(control, StyleSorted));
  if (!Has(control, StyleVScroll)) list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  if (!Has(control, StyleBorder)) list->setFrameShape(QFrame::NoFrame);
  return list;
}

QWidget* MakeControl(const DialogControl& control, QWidget* parent) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::Static:
      return MakeStatic(control, parent);
    case ControlKind::Picture:
      return MakePicture(control, parent);
    case ControlKind::Frame:
      return MakeFrame(control, parent);
    case ControlKind::PushButton:
      return new QPushButton(text, parent);
    case ControlKind::CheckBox:
      if (Has(control, StylePushLike)) {
        auto* button = new QPushButton(text, parent);
        button->setCheckable(true);
        return button;
      }
      return new QCheckBox(text, parent);
    case ControlKind::RadioButton:
      return new QRadioButton(text, parent);  // grouped below
    case ControlKind::GroupBox: {
      // The title sits on the frame's top line, as a dialog's group box has it, rather than
      // above the frame, so the template's rectangle is the frame.
      auto* box = new QGroupBox(text, parent);
      box->setStyleSheet(
          QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
                         "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                         " left: 6px; padding: 0 2px; }"));
      return box;
    }
    case ControlKind::Edit:
      return MakeEdit(control, parent);
    case ControlKind::ComboBox:
      return MakeCombo(control, parent);
    case ControlKind::ListBox:
      return MakeList(control, parent);
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setOrientation(Has(control, StyleVertical) ? Qt::Vertical : Qt::Horizontal);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::Slider:
      return new QSlider(Has(control, StyleVertical) ? Qt::Vertical : Qt::Horizontal, parent);
    case ControlKind::HotKey:
      return new QKeySequenceEdit(parent);
    case ControlKind::DatePicker: {
      auto* date = new QDateEdit(parent);
      date->setCalendarPopup(true);
      date->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
      return date;
    }
    case ControlKind::TimePicker: {
      auto* time = new QTimeEdit(parent);
      time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
      return time;
    }
    case ControlKind::Custom:
      return new QWidget(parent);
  }
  return new QWidget(parent);
}

// A combo box's template height includes its drop-down list; the field itself is one line.
QRect ControlGeometry(const DialogControl& control, QWidget* widget) {
  QRect rect = DluToPixels(control.rect);
  if (control.kind == ControlKind::ComboBox) {
    auto* combo = static_cast<QComboBox*>(widget);
    const int rows = (control.rect.height - 12) / 8;  // list rows the drop-down room holds
    combo->setMaxVisibleItems(rows > 1 ? rows : 1);
    rect.setHeight(DluToPixelsY(13));
  } else if (control.kind == ControlKind::Picture) {
    const QPixmap picture = static_cast<QLabel*>(widget)->pixmap();
    if (!picture.isNull()) rect.setSize(picture.size());  // a picture takes its image's size
  }
  return rect;
}

Qt::FocusPolicy FocusFor(const DialogControl& control) {
  switch (control.kind) {
    case ControlKind::Static:
    case ControlKind::Picture:
    case ControlKind::Frame:
    case ControlKind::GroupBox:
    case ControlKind::ProgressBar:
    case ControlKind::Custom:
      return Qt::NoFocus;
    default:
      return Has(control, StyleTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
  }
}

}  // namespace

QFont StandInFont(const QString& face, int pixels) {
  // "MS Sans Serif" is a bitmap face that scalable font systems do not have, and their fallback
  // for it is much wider; Arial has its proportions and is found everywhere (or its metric twin).
  QFont font(face == QLatin1String("MS Sans Serif") ? QStringLiteral("Arial") : face);
  font.setPixelSize(pixels);
  return font;
}

int DluToPixelsX(int dluX) { return MulDiv(dluX, kBaseUnitX, 4); }
int DluToPixelsY(int dluY) { return MulDiv(dluY, kBaseUnitY, 8); }

QRect DluToPixels(const DialogRect& rect) {
  const int left = DluToPixelsX(rect.x);
  const int top = DluToPixelsY(rect.y);
  // Convert both edges, as the platform maps a rectangle, so neighbours share their edge.
  const int right = DluToPixelsX(rect.x + rect.width);
  const int bottom = DluToPixelsY(rect.y + rect.height);
  return QRect(left, top, right - left, bottom - top);
}

bool ApplyTemplate(QWidget* target, const DialogTemplate& dialog) {
  InitResourceImages();
  const bool popup = dialog.kind == DialogKind::Popup;
  if (popup) {
    Qt::WindowFlags flags = Qt::Dialog;
    if (!dialog.titleBar) {
      flags |= Qt::FramelessWindowHint;
    } else {
      flags |= Qt::WindowTitleHint | Qt::CustomizeWindowHint;
      if (dialog.systemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    target->setWindowFlags(flags);
    target->setWindowTitle(QString::fromUtf8(dialog.caption));
  }
  target->setFont(TemplateFont(dialog));
  target->setProperty("templateId", dialog.id);

  auto* asDialog = qobject_cast<QDialog*>(target);
  QWidget* previousFocusable = nullptr;
  TemplateRadioGroup* radioGroup = nullptr;
  QSize extent(DluToPixelsX(dialog.rect.width), DluToPixelsY(dialog.rect.height));
  for (const DialogControl& control : dialog.controls) {
    QWidget* widget = MakeControl(control, target);
    widget->setObjectName(QString::number(control.id));
    widget->setProperty(kControlIdProperty, control.id);
    const QRect geometry = ControlGeometry(control, widget);
    widget->setGeometry(geometry);
    if (control.kind == ControlKind::Picture) {  // a window is never smaller than its picture
      extent = extent.expandedTo(QSize(geometry.right() + 1, geometry.bottom() + 1));
    }
    // Group boxes and frames are drawn behind the controls they surround and take no clicks.
    if (control.kind == ControlKind::GroupBox || control.kind == ControlKind::Frame) {
      widget->lower();
    }
    widget->setFocusPolicy(FocusFor(control));
    if (Has(control, StyleGroup)) radioGroup = nullptr;
    if (control.kind == ControlKind::RadioButton) {
      if (!radioGroup) radioGroup = new TemplateRadioGroup(target);
      if (Has(control, StyleTabStop)) radioGroup->SetTabStop(true);  // one radio's stop is the group's
      radioGroup->AddRadio(static_cast<QRadioButton*>(widget));
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (asDialog) {
        button->setAutoDefault(false);
        button->setDefault(Has(control, StyleDefault));
        if (control.id == kOkControlId) {
          QObject::connect(button, &QPushButton::clicked, asDialog, &QDialog::accept);
        } else if (control.id == kCancelControlId) {
          QObject::connect(button, &QPushButton::clicked, asDialog, &QDialog::reject);
        }
      }
    }
    // Every control that can take the focus joins the chain in template order, so a radio that
    // becomes its group's tab stop later is reached in its place.
    if (widget->focusPolicy() != Qt::NoFocus) {
      if (previousFocusable) QWidget::setTabOrder(previousFocusable, widget);
      previousFocusable = widget;
    }
    widget->setEnabled(!Has(control, StyleDisabled));
    widget->setVisible(!Has(control, StyleHidden));
  }
  if (popup) {
    target->setFixedSize(extent);
  } else {
    target->resize(extent);
  }
  return true;
}

bool ApplyTemplate(QWidget* target, int templateId) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  return dialog && ApplyTemplate(target, *dialog);
}

QDialog* BuildDialog(int templateId, QWidget* parent) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (!dialog) return nullptr;
  auto* built = new QDialog(parent);
  ApplyTemplate(built, *dialog);
  return built;
}

QWidget* BuildForm(int templateId, QWidget* parent) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (!dialog) return nullptr;
  auto* form = new QWidget(parent);
  ApplyTemplate(form, *dialog);
  return form;
}

QWidget* FindControl(QWidget* root, int id) {
  if (!root) return nullptr;
  const QString name = QString::number(id);
  for (QWidget* child : root->findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly)) {
    if (child->property(kControlIdProperty).isValid()) return child;
  }
  for (QWidget* child : root->findChildren<QWidget*>(name, Qt::FindChildrenRecursively)) {
    if (child->property(kControlIdProperty).isValid()) return child;
  }
  return nullptr;
}

int ControlId(const QWidget* control) {
  if (!control) return 0;
  const QVariant id = control->property(kControlIdProperty);
  return id.isValid() ? id.toInt() : 0;
}
