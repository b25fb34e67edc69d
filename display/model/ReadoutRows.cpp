#include "display/model/ReadoutRows.h"

#include <charconv>

#include "display/model/ByteNames.h"
#include "display/model/ModemEventWord.h"
#include "display/model/SessionLayout.h"
#include "link/store/OruData.h"

namespace {

constexpr int kCursorRow = 0;
constexpr int kParityRow = 6;
constexpr int kBytesRow = 8;
constexpr int kTimeRow = 10;
constexpr int kMarkerRow = 13;

std::string Blanks(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

class Builder {
 public:
  Builder(const CaptureScope& capture, const ReadoutOptions& options, const CaptureColors& colors,
          const SessionLayout* layout)
      : capture(capture),
        buffer(capture.captureBuffer()),
        options(options),
        colors(colors),
        layout(layout != nullptr && layout->HasLayout() && layout->Generation() == capture.captureGeneration()
                   ? layout
                   : nullptr) {}

  ReadoutRows Build() {
    for (ReadoutRow& row : rows) row = ReadoutRow{colors.window, "", colors.window, colors.windowText};
    const int count = buffer.GetSize();
    if (count == 0) return rows;
    // An index the arrays no longer hold counts as none: the worker may have emptied them.
    const int cursor = InRange(capture.cursorRecordIndex().load(), count);
    const int marker = InRange(capture.currentRecordIndex().load(), count);
    CursorBlock(cursor);
    MiddleBlock(cursor, marker);
    MarkerBlock(marker);
    return rows;
  }

 private:
  static int InRange(int index, int count) { return index >= 0 && index < count ? index : -1; }

  void Fill(int first, int last, COLORREF fill) {
    for (int r = first; r <= last; ++r)
      rows[static_cast<std::size_t>(r)] = ReadoutRow{fill, "", fill, colors.windowText};
  }
  void Put(int row, std::string text, COLORREF back, COLORREF color) {
    ReadoutRow& target = rows[static_cast<std::size_t>(row)];
    target.text = std::move(text);
    target.textBackground = back;
    target.textColor = color;
  }
  // A row routine's blank string, on the window colour.
  void PutBlank(int row, int blanks) { Put(row, Blanks(blanks), colors.window, colors.windowText); }

  int ModemBefore(int index) const {
    if (layout != nullptr) return layout->ModemEventRecordsBefore(capture, index);
    int events = 0;
    const CCaptBuf* records = buffer.GetData();
    for (int k = 0; k < index; ++k) events += records[k].IsModemEvent() ? 1 : 0;
    return events;
  }
  // The event holding `index`: the last header whose first index is not above it; -1 for none.
  int EventOf(int index) const {
    int low = 0, high = capture.captureHeaders().GetSize();
    while (low < high) {
      const int mid = (low + high) / 2;
      if (capture.captureHeaders()[mid].firstIndex <= index)
        low = mid + 1;
      else
        high = mid;
    }
    return low - 1;
  }
  bool InSyncEvent(int index) const {
    const int event = EventOf(index);
    return event >= 0 && capture.captureHeaders()[event].IsSync();
  }

  long long ByteNumber(int index) const {
    if (InSyncEvent(index)) return buffer[index].syncSequence;
    return index - ModemBefore(index);
  }
  UCHAR ShownByte(int index) const {
    const CCaptBuf& record = buffer[index];
    return InSyncEvent(index) && options.bitStuffed ? record.hdlcByte : record.data;
  }

  std::string HexRow(int index) const {
    static constexpr char kHex[] = "0123456789abcdef";
    const UCHAR value = ShownByte(index);
    return std::string("Hex:   0x") + kHex[value >> 4] + kHex[value & 0xF];
  }
  std::string AsciiRow(int index) const {
    UCHAR value = ShownByte(index);
    if (options.parity7E1) value &= 0x7F;
    std::string name = value == 0x20 ? std::string("<SPACE>") : std::string(CharName(value));
    std::string row = "Ascii: " + name;
    if (name.size() < 7) row.append(7 - name.size(), ' ');
    return row;
  }
  double RecordTime(int index, bool firstRecordQuirk) const {
    const CCaptBuf& record = buffer[index];
    // The first record's whole seconds are the low six bits of its attribute byte.
    const ULONG seconds = firstRecordQuirk && index == 0 ? (record.flags & 0x3F) : record.timeSeconds;
    return static_cast<double>(seconds) + static_cast<double>(record.timeFraction) * 0.0001;
  }
  std::string TimeRow(int index) const {
    const double t = RecordTime(index, true);
    const char* pad = t < 10 ? "   " : t < 100 ? "  " : " ";
    return std::string("Time:") + pad + SecondsText(t) + " Seconds";
  }

  void EventRows(int index, int row, COLORREF back, COLORREF color) {
    // Event words counted from 0: the modem-event records before the index, two a word.
    Put(row, PaddedNumberRow("Modem event # ", ModemBefore(index) / 2), back, color);
    if (index + 1 >= buffer.GetSize()) {
      for (int r = row + 1; r <= row + 4; ++r) PutBlank(r, 13);
      return;
    }
    const ModemEventText text = DecodeModemEvent(ModemEventRegister(buffer[index].data, buffer[index + 1].data));
    if (!text.rate.empty()) Put(row + 1, text.rate, back, color);
    Put(row + 2, text.event, back, color);
    Put(row + 3, text.snr, back, color);
    Put(row + 4, text.state, back, color);
  }

  void CursorBlock(int cursor) {
    if (cursor == -1) return;
    const CCaptBuf& record = buffer[cursor];
    // The cursor byte in the session view's colours, unshaded and never as the marker.
    CellTraits traits;
    traits.answer = record.IsAnswer();
    traits.modemEvent = record.IsModemEvent();
    const CellColors look = CellColorsOf(traits, kSessionPalette, colors);
    const COLORREF back = look.background;
    const COLORREF color = look.text;
    if (record.IsModemEvent()) {
      Fill(0, 5, back);
      EventRows(cursor, kCursorRow, back, color);
      Put(5, TimeRow(cursor), back, color);
      return;
    }
    Fill(0, 3, back);
    Put(0, PaddedNumberRow("Byte # ", ByteNumber(cursor)), back, color);
    Put(1, HexRow(cursor), back, color);
    Put(2, AsciiRow(cursor), back, color);
    Put(3, TimeRow(cursor), back, color);
  }

  void MiddleBlock(int cursor, int marker) {
    const COLORREF back = colors.window;
    const COLORREF color = (0u - colors.window) & 0xFFFFFF;
    const bool parityBit =
        cursor != -1 && options.highlightParityBit && options.parity7E1 && (buffer[cursor].data & 0x80) != 0;
    Put(kParityRow, parityBit ? std::string("Parity bit set") : Blanks(14), back, color);
    if (cursor == -1 || marker == -1) {
      for (int r = kBytesRow; r < kBytesRow + 4; ++r) Put(r, Blanks(17), back, color);
      return;
    }
    const bool from = marker < cursor;
    const int low = from ? marker : cursor;
    const int high = from ? cursor : marker;
    const int dataBytes = (high - low) - (ModemBefore(high) - ModemBefore(low));
    Put(kBytesRow, from ? "Bytes FROM marker:" : "Bytes TO marker:", back, color);
    Put(kBytesRow + 1, std::to_string(dataBytes), back, color);
    if (EventOf(cursor) != EventOf(marker)) {
      Put(kTimeRow, Blanks(17), back, color);
      Put(kTimeRow + 1, Blanks(17), back, color);
      return;
    }
    double d = from ? RecordTime(cursor, false) - RecordTime(marker, false)
                    : RecordTime(marker, false) - RecordTime(cursor, false);
    if (d < 0) d = -1.0;
    Put(kTimeRow, from ? "Time FROM marker:" : "Time TO marker:", back, color);
    Put(kTimeRow + 1, SecondsText(d) + (d < 10 ? " Seconds " : " Seconds"), back, color);
  }

  void MarkerBlock(int marker) {
    if (marker == -1) {
      Fill(kMarkerRow, 18, colors.window);
      return;
    }
    CellTraits traits;
    traits.marker = true;
    const COLORREF back = CellColorsOf(traits, kSessionPalette, colors).background;
    const COLORREF ink = kMarkerPanelText;
    Fill(kMarkerRow, 18, back);
    if (buffer[marker].IsModemEvent()) {
      EventRows(marker, kMarkerRow, back, ink);
      Put(18, TimeRow(marker), back, ink);
      return;
    }
    Put(kMarkerRow, PaddedNumberRow("Marker byte # ", ByteNumber(marker)), back, ink);
    Put(kMarkerRow + 1, HexRow(marker), back, ink);
    Put(kMarkerRow + 2, AsciiRow(marker), back, ink);
    Put(kMarkerRow + 3, TimeRow(marker), back, ink);
  }

  const CaptureScope& capture;
  const CCaptBufArray& buffer;
  const ReadoutOptions& options;
  const CaptureColors& colors;
  const SessionLayout* layout;
  ReadoutRows rows;
};

}  // namespace

std::string SecondsText(double seconds) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, 3);
  return std::string(text, result.ptr);
}

ReadoutOptions ReadoutOptionsFrom(const CORUData& store) {
  return store.WithCapture([](const CaptureScope& capture) {
    ReadoutOptions options;
    options.highlightParityBit = capture.highlightParityBit() != 0;
    options.parity7E1 = capture.sysCfg().parity7E1 == 1;
    options.bitStuffed = capture.sysCfg().bitStuffed == 1;
    return options;
  });
}

ReadoutRows BuildCaptureReadout(const CORUData& store, const ReadoutOptions& options, const CaptureColors& colors,
                                const SessionLayout* layout) {
  return store.WithCapture(
      [&](const CaptureScope& capture) { return Builder(capture, options, colors, layout).Build(); });
}
