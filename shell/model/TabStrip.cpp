#include "shell/model/TabStrip.h"

std::vector<TabEdges> LayoutTabEdges(const std::vector<int>& labelWidths) {
  std::vector<TabEdges> edges;
  edges.reserve(labelWidths.size());
  int x = 0;
  for (int width : labelWidths) {
    TabEdges tab;
    tab.left = x;
    x += width + kTabPadding;
    tab.right = x;
    edges.push_back(tab);
  }
  return edges;
}

int TabHitTest(const TabStripLayout& strip, int x, int y) {
  for (std::size_t i = 0; i < strip.edges.size(); ++i) {
    const TabEdges& tab = strip.edges[i];
    if (x < tab.left || x > tab.right) continue;
    if (i >= strip.enabled.size() || !strip.enabled[i]) continue;
    const int top = static_cast<int>(i) == strip.currentTab ? kSelectedTabTop : kOtherTabTop;
    if (y >= top && y < kTabHitBottom) return static_cast<int>(i);
  }
  return -1;
}

TabRect TabWindowRect(int clientWidth, int clientHeight) {
  TabRect rect;
  rect.x = kTabWindowLeft;
  rect.y = kTabWindowTop;
  rect.width = clientWidth > kTabWindowLeft ? clientWidth - kTabWindowLeft : 0;
  rect.height = clientHeight > kTabWindowTop ? clientHeight - kTabWindowTop : 0;
  return rect;
}

std::string TruncateTabLabel(const std::string& label) {
  int chars = 0;
  for (std::size_t i = 0; i < label.size(); ++i) {
    // Count code points by their first byte, so a multi-byte character is never cut in half.
    if ((static_cast<unsigned char>(label[i]) & 0xC0) != 0x80) {
      if (chars == kTabLabelMaxChars) return label.substr(0, i);
      ++chars;
    }
  }
  return label;
}

TabLook TabLookFor(int index, int currentTab, bool enabled) {
  if (!enabled) return TabLook::Disabled;
  return index == currentTab ? TabLook::Selected : TabLook::Unselected;
}
