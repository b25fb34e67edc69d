#include "display/model/SessionLine.h"

#include "link/store/CaptureHeader.h"

std::string EventTitle(int eventIndex, const CORUCaptureHeader& header) {
  std::string title = "EVENT #";
  title += std::to_string(eventIndex + 1);
  title += ": ";
  title += header.startDate;
  title += ' ';
  title += header.startTime;
  title += ' ';
  title += header.eventName;
  title += ' ';
  title += header.endText;
  title += "  ";
  title += std::to_string(header.byteCount);
  title += " bytes";
  return title;
}
