#pragma once

// The main frame's tabs as data, in the order the frame adds them: each tab's title, the document
// it shows and whether it comes back when an activity ends. Everything that asks which tab shows
// a capture or a trace, or which tabs an activity's end gives back, reads it here; the frame adds
// each row's window and activities (shell/frame/FrameTabs.h).

#include <array>
#include <optional>
#include <vector>

#include "link/store/DocumentType.h"

struct TabRow {
  const char* title;
  // Files of this type open on the tab, and its Save and Save As write it; none on a tab that
  // shows no document (its commands act on the capture).
  std::optional<DocumentType> document;
  // Enabled again the moment an activity that closed it ends.
  bool comesBack;
};

inline constexpr std::array kTabTable{
    TabRow{"CAPTURE DATA", DocumentType::Capture, true},
    TabRow{"SIGNAL TRACE", DocumentType::Trace, true},
    TabRow{"VOLT METER", std::nullopt, true},
    TabRow{"DTMF DECODER", std::nullopt, true},
};

// Rows of the table, for the code that names one tab.
constexpr int TAB_CAPTURE_DATA = 0;
constexpr int TAB_SIGNAL_TRACE = 1;
constexpr int TAB_VOLT_METER = 2;
constexpr int TAB_DTMF_DECODER = 3;

constexpr int TabCountInTable() { return static_cast<int>(kTabTable.size()); }

// The tab that shows files of `documentType`.
int TabOfDocument(DocumentType documentType);
// The document a tab shows; none for a tab that shows none, or an index outside the table.
std::optional<DocumentType> DocumentOfTab(int tab);
// The type a tab's commands act on: its document, the capture on a tab without one.
DocumentType DocumentTypeForTab(int tab);
// The tabs that show a document: open before the instrument is there.
std::vector<int> DocumentTabs();
// The tabs the end of an activity that ran on `kept` gives back: every other tab that comes back.
std::vector<int> TabsGivenBack(int kept);
