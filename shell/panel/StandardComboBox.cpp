#include "shell/panel/StandardComboBox.h"

#include <QSignalBlocker>

CORUStandardComboBox::CORUStandardComboBox(QWidget* parent) : QComboBox(parent) {}

int CORUStandardComboBox::GetStandard() const { return ::GetStandard(Items()); }

void CORUStandardComboBox::SetStandard(int code) {
  ComboItems items = Items();
  ::SetStandard(items, code);
  SetItems(items);
}

void CORUStandardComboBox::AddHighSpeed() {
  ComboItems items = Items();
  ::AddHighSpeed(items);
  SetItems(items);
}

void CORUStandardComboBox::AddV21() {
  ComboItems items = Items();
  ::AddV21(items);
  SetItems(items);
}

void CORUStandardComboBox::RemoveV21() {
  ComboItems items = Items();
  ::RemoveV21(items);
  SetItems(items);
}

ComboItems CORUStandardComboBox::Items() const { return ComboItemsOf(*this); }

void CORUStandardComboBox::SetItems(const ComboItems& items) { ShowComboItems(*this, items); }

ComboItems ComboItemsOf(const QComboBox& combo) {
  ComboItems out;
  for (int i = 0; i < combo.count(); ++i) out.items.push_back(combo.itemText(i).toStdString());
  out.selected = combo.currentIndex();
  return out;
}

void ShowComboItems(QComboBox& combo, const ComboItems& items) {
  const QSignalBlocker quiet(&combo);
  bool same = combo.count() == items.Count();
  for (int i = 0; same && i < combo.count(); ++i)
    same = combo.itemText(i).toStdString() == items.items[static_cast<std::size_t>(i)];
  if (!same) {
    combo.clear();
    for (const std::string& text : items.items) combo.addItem(QString::fromStdString(text));
  }
  if (combo.currentIndex() != items.selected) combo.setCurrentIndex(items.selected);
}
