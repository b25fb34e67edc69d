#include "display/model/PrintPages.h"

#include <algorithm>

#include "link/store/SysCfg.h"

PrintGeometry PrintGeometryFor(int dpiX, int dpiY, int pageWidth, int pageHeight) {
  PrintGeometry g;
  g.dpiX = dpiX;
  g.dpiY = dpiY;
  g.left = 2 * dpiX / 3;
  g.top = 2 * dpiY / 3;
  g.right = pageWidth - 2 * dpiX / 3;
  g.bottom = pageHeight - 2 * dpiY / 3;
  g.firstLineY = dpiY;
  return g;
}

int PagePlan::FirstLine(int page) const {
  if (page < 1 || page > static_cast<int>(firstLineOfPage.size())) return static_cast<int>(pageOfLine.size());
  return firstLineOfPage[static_cast<std::size_t>(page - 1)];
}

int PagePlan::EndLine(int page) const {
  if (page < 1 || page >= static_cast<int>(firstLineOfPage.size())) return static_cast<int>(pageOfLine.size());
  return firstLineOfPage[static_cast<std::size_t>(page)];
}

PagePlan PlanPages(const std::vector<CORUSessionLine>& lines, const PrintGeometry& geometry,
                   const std::function<void(const std::string&)>& trace) {
  PagePlan plan;
  plan.pageOfLine.reserve(lines.size());
  plan.topOfLine.reserve(lines.size());
  int page = 1;
  LONG y = geometry.firstLineY;
  bool pageEmpty = true;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const CORUSessionLine& line = lines[k];
    const LONG h = line.Height();
    if (y + h < geometry.bottom || pageEmpty) {
      if (pageEmpty) plan.firstLineOfPage.push_back(static_cast<int>(k));
      plan.pageOfLine.push_back(page);
      plan.topOfLine.push_back(y);
      y += h;
      pageEmpty = false;
      if (trace && line.firstByte != 0) {
        trace("LineNum " + std::to_string(k) + ":: StartIdx:" + std::to_string(line.firstByte) +
              "  EndIDX:" + std::to_string(line.lastByte));
      }
      continue;
    }
    if (trace) {
      trace("PageBreak " + std::to_string(page) + ":: Header" + std::to_string(line.eventIndex) +
            "  StartIDX:" + std::to_string(line.firstByte));
    }
    ++page;
    plan.firstLineOfPage.push_back(static_cast<int>(k));
    plan.pageOfLine.push_back(page);
    plan.topOfLine.push_back(geometry.firstLineY);
    y = geometry.firstLineY + h;
  }
  return plan;
}

PageRange PagesToPrint(int from, int to, int pages) {
  if (from <= 0 && to <= 0) return {1, pages};
  PageRange range;
  range.first = std::max(1, from);
  range.last = to <= 0 ? pages : std::min(to, pages);
  return range;
}

std::string ConfigurationLine(const CSysCfg& config) {
  std::string line;
  switch (config.standard) {
    case 3:
      line = "HS 14400";
      break;
    case 2:
      line = "HS 9600";
      break;
    case 1:
      line = "1200/2400";
      break;
    case 4:
      line = "V.21";
      break;
    default:
      line = "B300";
      break;
  }
  line += "    ";
  line += config.sync == 1 ? "Sync" : "Async";
  line += "    ";
  line += config.parity7E1 == 1 ? "7E1" : "8N1";
  line += "    ";
  line += config.triggerText;
  return line;
}

std::string PageFooter(int page, int pages) { return "Page " + std::to_string(page) + " of " + std::to_string(pages); }
