#pragma once

// A combo box's item list as the class library keeps it, and the modem-standard combo's rules
// over it. Selection follows the list: an insertion or deletion before the selected item keeps
// that item selected, deleting the selected item leaves nothing selected. Prefix searches
// ignore case, as the library's FindString and SelectString do.

#include <string>
#include <vector>

struct ComboItems {
  std::vector<std::string> items;
  int selected = -1;  // -1 = nothing selected

  int Count() const { return static_cast<int>(items.size()); }
  // The selected item's text, or "" with nothing selected.
  std::string SelectedText() const;
  // The first item that begins with `prefix`, or -1.
  int FindPrefix(const std::string& prefix) const;
  // Appends (index -1 or past the end) or inserts before `index`; the index it went to.
  int Insert(int index, const std::string& text);
  // Removes item `index`; false when there is none.
  bool Delete(int index);
  // Selects `index` (-1 or out of range: nothing).
  void Select(int index);
};

// Modem standard codes of the settings ("Standard").
constexpr int kStandardNone = 0;
constexpr int kStandardB300 = 1;
constexpr int kStandard1200 = 2;
constexpr int kStandard9600 = 3;
constexpr int kStandard14400 = 4;
constexpr int kStandardV21 = 17;

// The item text of a code ("" for an unknown code) and the code of a text (exact, 0 otherwise).
std::string StandardText(int code);
int StandardCodeOfText(const std::string& text);

// The code of the selected item; 0 when nothing matches or nothing is selected.
int GetStandard(const ComboItems& combo);
// Selects the first item beginning with the code's text; nothing selected when none does or the
// code is unknown.
void SetStandard(ComboItems& combo, int code);
// Appends "9600" and then "14400", each only when no item begins with it.
void AddHighSpeed(ComboItems& combo);
// Inserts "V.21" at the top (callers check first that it is not there).
void AddV21(ComboItems& combo);
// Deletes the first item beginning with "V.21", if any.
void RemoveV21(ComboItems& combo);
