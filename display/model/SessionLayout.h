#pragma once

// Turns the capture into session lines for one width: for every event a title and a separator,
// for its bytes wrapped two-row data lines each followed by a separator. Synchronous events are
// replayed through the store's two HDLC de-stuffers, which writes the de-stuffed bytes and their
// running numbers into the records.
//
// During a live capture Update() lays out only what was appended: it resumes the walk where it
// stopped (the open line, the counters and both de-stuffers), so the lines equal those of a full
// layout. A change of width, cell size or measuring options, or a capture that was emptied or
// replaced, lays everything out again.

#include <optional>
#include <vector>

#include "display/model/SessionLine.h"
#include "display/model/SessionOptions.h"
#include "link/store/HdlcReplay.h"

class CORUData;
class CaptureScope;

struct LayoutGeometry {
  int width = 0;  // pixels
  int cellWidth = 0;
  int cellHeight = 0;
  int separatorHeight = 0;
  bool operator==(const LayoutGeometry&) const = default;
};

class SessionLayout {
 public:
  // A print job lays out with de-stuffers of its own, so that the screen's resumable walk keeps
  // its state, and leaves the store's layoutDirty to the screen.
  enum class Role { Screen, Print };
  explicit SessionLayout(Role role = Role::Screen) : role(role) {}
  SessionLayout(const SessionLayout&) = delete;
  SessionLayout& operator=(const SessionLayout&) = delete;

  // Lays the whole capture out, taking the store's lock. A width below one cell keeps the lines as
  // they are: a minimised window would otherwise wrap every byte onto a line of its own.
  void Layout(CORUData& store, const LayoutGeometry& geometry, const SessionOptions& options);
  // Lays out what was appended since the last layout, or everything when that is needed. True
  // when it laid everything out.
  bool Update(CORUData& store, const LayoutGeometry& geometry, const SessionOptions& options);
  void Clear();

  const std::vector<CORUSessionLine>& Lines() const { return lines; }
  LONG TotalHeight() const { return y; }
  const LayoutGeometry& Geometry() const { return geometry; }
  bool HasLayout() const { return laidOut; }
  // Records the layout has walked.
  int WalkedRecords() const { return walked; }
  // The store's captureGeneration the lines were made from.
  unsigned Generation() const { return generation; }

  // The first line whose bottom lies below document y (Lines().size() when none).
  int FirstLineBelow(LONG documentY) const;
  // The line containing document y, or -1.
  int LineAt(LONG documentY) const;
  // The capture index of the byte of data line `line` whose cell holds document x, or -1.
  int HitTestByte(int line, LONG documentX) const;
  // Modem-event records before capture index `index` (the caller checked the index).
  int ModemEventRecordsBefore(const CaptureScope& capture, int index) const;

  // Memory the lines hold, for the benchmark's bytes-per-record figure.
  std::size_t MemoryBytes() const;

 private:
  void Lay(CaptureScope& capture);
  void Begin(CaptureScope& capture);
  void Walk(CaptureScope& capture);
  void OpenEvent(const CaptureScope& capture, int event);
  void CloseData(bool withSeparator);
  void AppendLine(CORUSessionLine line);
  void RemoveTail();
  void AppendTail();
  void RefreshTitles(const CaptureScope& capture, int fromEvent);

  Role role;
  CHDLCProcessor ownAnswer;
  CHDLCProcessor ownOriginate;
  std::vector<CORUSessionLine> lines;
  std::vector<int> dataLines;    // indexes of the data lines in `lines`, in capture order
  std::vector<int> headerLines;  // indexes of the header lines
  LayoutGeometry geometry;
  SessionOptions options;
  bool laidOut = false;
  unsigned generation = 0;

  // The walk, kept between layouts so that Update() resumes it.
  std::optional<EventWalker> events;
  std::optional<HdlcReplay> replay;
  CORUSessionLine pending;  // the open data line
  int pendingRecords = 0;
  LONG used = 0;          // pixels the open line fills
  int walked = 0;         // next record to walk
  int currentEvent = -1;  // -1 before the first event opens
  int modemRecords = 0;   // modem-event records walked
  int tailLines = 0;      // lines appended for the open line at the end of the last walk
  LONG y = 0;             // top of the next line
};
