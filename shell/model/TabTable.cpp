#include "shell/model/TabTable.h"

int TabOfDocument(DocumentType documentType) {
  for (int tab = 0; tab < TabCountInTable(); ++tab)
    if (kTabTable[static_cast<std::size_t>(tab)].document == documentType) return tab;
  return TAB_CAPTURE_DATA;
}

std::optional<DocumentType> DocumentOfTab(int tab) {
  if (tab < 0 || tab >= TabCountInTable()) return std::nullopt;
  return kTabTable[static_cast<std::size_t>(tab)].document;
}

DocumentType DocumentTypeForTab(int tab) { return DocumentOfTab(tab).value_or(DocumentType::Capture); }

std::vector<int> DocumentTabs() {
  std::vector<int> tabs;
  for (int tab = 0; tab < TabCountInTable(); ++tab)
    if (DocumentOfTab(tab)) tabs.push_back(tab);
  return tabs;
}

std::vector<int> TabsGivenBack(int kept) {
  std::vector<int> tabs;
  for (int tab = 0; tab < TabCountInTable(); ++tab)
    if (tab != kept && kTabTable[static_cast<std::size_t>(tab)].comesBack) tabs.push_back(tab);
  return tabs;
}
