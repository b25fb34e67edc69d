#pragma once

// Builds Qt widgets from the dialog templates of resources/data. Sizes and positions convert from
// dialog units with the base units of "MS Sans Serif" 8 at 96 dpi (6 x 13 pixels per 4 x 8 units),
// never with the metrics of whatever font stands in for it, so a layout has the same pixel sizes
// on every machine. Each control's objectName is its id (decimal) and its "controlId" property the
// id as an int.
//
// Kinds become: Static QLabel, Picture QLabel with the bitmap, Frame QFrame, PushButton
// QPushButton, CheckBox QCheckBox, RadioButton QRadioButton (one TemplateRadioGroup per run
// starting at StyleGroup: clicks, Tab and arrow keys as auto radio buttons), GroupBox QGroupBox (a frame behind its
// neighbours, not their parent), Edit QLineEdit (QPlainTextEdit when multiline), ComboBox QComboBox, ListBox
// QListWidget, ProgressBar QProgressBar, Slider QSlider, HotKey QKeySequenceEdit, DatePicker QDateEdit, TimePicker
// QTimeEdit, Custom a plain QWidget the owner fills or replaces.
//
// In a dialog, the push button with id 1 accepts and the one with id 2 rejects (Esc as well),
// unless the owner disconnects them; the StyleDefault button is the QDialog default.

#include <QFont>
#include <QRect>
#include <QWidget>
#include <QSize>

class QDialog;
class QWidget;
struct DialogRect;
struct DialogTemplate;

// The font that stands in for `face` at `pixels` pixels: the dialog face "MS Sans Serif" becomes
// Arial (or its metric twin), other faces stay. Every window that names the dialog face uses it.
QFont StandInFont(const QString& face, int pixels);

// Dialog units to pixels, rounded as the platform's MulDiv does (half away from zero).
int DluToPixelsX(int dluX);
int DluToPixelsY(int dluY);
QRect DluToPixels(const DialogRect& rect);

// A new dialog built from template `templateId`, or nullptr when there is no such template.
QDialog* BuildDialog(int templateId, QWidget* parent);

// A new child form (a plain QWidget of the template's size) built from `templateId`, or nullptr.
QWidget* BuildForm(int templateId, QWidget* parent);

// Fills an existing widget (a QDialog or form subclass of the caller's) with the template's
// controls, caption, font and size. False when there is no such template.
bool ApplyTemplate(QWidget* target, int templateId);
bool ApplyTemplate(QWidget* target, const DialogTemplate& dialog);

// The control with `id` in `root`: its own controls first, then those of nested forms; nullptr
// when there is none.
QWidget* FindControl(QWidget* root, int id);

// The same, cast to the widget class the caller expects; nullptr when absent or of another kind.
template <class W>
W* FindControlAs(QWidget* root, int id) {
  return qobject_cast<W*>(FindControl(root, id));
}

// The id a built control carries, or 0 for a widget that no template made.
int ControlId(const QWidget* control);
