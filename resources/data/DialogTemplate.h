#pragma once

// Dialog templates as plain data: what a dialog or child form holds, in dialog units, so the
// template builder (resources/TemplateBuilder.h) can make widgets and Qt-free code can read texts
// and ids. Each template lives in its own file named Dialog<id><Name>.cpp, which defines
// `const DialogTemplate& Dialog<id><Name>()`; the build indexes every such file, so adding a
// template touches no other file.

#include <cstdint>
#include <vector>

// Control ids the dialog manager gives a meaning of its own (the platform's IDC_STATIC, IDOK and
// IDCANCEL; named apart so this header sits beside the shell's message-box constants).
constexpr int kStaticControlId = -1;
constexpr int kOkControlId = 1;      // ends a dialog with "accepted"
constexpr int kCancelControlId = 2;  // ends a dialog with "rejected"; Esc presses it

enum class ControlKind {
  Static,       // text label
  Picture,      // bitmap resource `imageId`
  Frame,        // etched or sunken rectangle without text (also a custom-drawn field)
  PushButton,
  CheckBox,
  RadioButton,
  GroupBox,
  Edit,
  ComboBox,     // drop-down list unless ComboEditable
  ListBox,
  ProgressBar,
  Slider,
  HotKey,
  DatePicker,
  TimePicker,
  Custom,       // a window the owner supplies (placeholder area)
};

// Style flags of a control; several at once.
enum ControlStyle : uint32_t {
  StyleNone = 0,
  StyleHidden = 1u << 0,         // created without the visible style
  StyleDisabled = 1u << 1,
  StyleDefault = 1u << 2,        // the default push button
  StyleSorted = 1u << 3,         // list and combo boxes keep their items sorted
  StyleGroup = 1u << 4,          // starts a group (radio buttons: a new exclusive set)
  StyleTabStop = 1u << 5,
  StyleMultiline = 1u << 6,      // edit
  StyleReadOnly = 1u << 7,       // edit
  StyleVScroll = 1u << 8,
  StyleCenter = 1u << 9,         // static text centred
  StyleRight = 1u << 10,         // static text right-aligned
  StyleSunken = 1u << 11,        // sunken border (static, frame)
  StyleBorder = 1u << 12,        // thin border
  StyleComboEditable = 1u << 13, // combo box with an edit field
  StylePassword = 1u << 14,      // edit
  StyleNumber = 1u << 15,        // edit accepts digits only
  StyleAutoCheck = 1u << 16,     // check and radio buttons toggle themselves (the usual case)
  StylePushLike = 1u << 17,      // check box drawn as a button
  StyleVertical = 1u << 18,      // slider / progress bar
  StyleNoPrefix = 1u << 19,      // '&' is shown, not a mnemonic
  StyleNotify = 1u << 20,        // static sends clicks
};

// A rectangle in dialog units: left, top, width, height.
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct DialogControl {
  int id = kStaticControlId;
  ControlKind kind = ControlKind::Static;
  const char* text = "";
  DialogRect rect;
  uint32_t style = StyleNone;
  std::vector<const char*> items{};  // initial items of a combo or list box, in template order
  int imageId = 0;                 // bitmap resource of a Picture
  int limit = 0;                   // edit: maximum characters (0 = none)
};

enum class DialogKind {
  Popup,      // a dialog window with a caption
  ChildForm,  // a form placed inside another window (no caption, no frame)
};

struct DialogTemplate {
  int id = 0;
  DialogKind kind = DialogKind::Popup;
  const char* caption = "";
  DialogRect rect;  // x and y are the suggested position; width and height the client area
  const char* fontFace = "MS Sans Serif";
  int fontPointSize = 8;
  std::vector<DialogControl> controls{};
  bool titleBar = true;    // popup with a caption bar (the splash has none)
  bool systemMenu = true;  // popup with a close box
  bool centred = true;     // popup placed centred on its owner

  // The control with `controlId`, or nullptr (the first one when several share kStaticControlId).
  const DialogControl* FindControl(int controlId) const;
};

// The template with `id`, or nullptr when none is defined.
const DialogTemplate* FindDialogTemplate(int id);

// Every defined template, ordered by id.
std::vector<const DialogTemplate*> AllDialogTemplates();
