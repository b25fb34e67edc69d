#include "resources/data/DialogTemplate.h"

#include <algorithm>
#include <map>

#include "resources/data/ResourceIndex.h"

const DialogControl* DialogTemplate::FindControl(int controlId) const {
  for (const DialogControl& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

namespace {

// Built once on first use; the templates themselves are function-local statics of their files.
const std::map<int, const DialogTemplate*>& TemplatesById() {
  static const std::map<int, const DialogTemplate*> byId = [] {
    std::map<int, const DialogTemplate*> map;
    for (const DialogTemplate* dialog : IndexedDialogTemplates()) map.emplace(dialog->id, dialog);
    return map;
  }();
  return byId;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  const auto& byId = TemplatesById();
  auto found = byId.find(id);
  return found == byId.end() ? nullptr : found->second;
}

std::vector<const DialogTemplate*> AllDialogTemplates() {
  std::vector<const DialogTemplate*> all = IndexedDialogTemplates();
  std::stable_sort(all.begin(), all.end(),
                   [](const DialogTemplate* a, const DialogTemplate* b) { return a->id < b->id; });
  return all;
}
