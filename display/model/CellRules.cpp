#include "display/model/CellRules.h"

#include "display/model/ByteNames.h"
#include "link/store/HdlcReplay.h"

ShownValue ShownValueOf(const CCaptBuf& record, bool syncEvent, const SessionOptions& options) {
  ShownValue shown;
  if (IsSkippedRecord(record, options.showModemEvents)) {
    shown.skipped = true;
    return shown;
  }
  if (record.IsModemEvent() && record.markerShown == 1) {
    shown.markerCell = true;
    return shown;
  }
  shown.value = record.data;
  if (syncEvent && options.bitStuffed) {
    if ((record.hdlcResult & HDLC_BYTE_READY) == 0) {
      shown.skipped = true;
      return shown;
    }
    shown.value = record.hdlcByte;
  }
  return shown;
}

namespace {

UCHAR Reduced(UCHAR value, const SessionOptions& options) {
  return options.parity7E1 ? static_cast<UCHAR>(value & 0x7F) : value;
}

}  // namespace

int CellsOf(const ShownValue& shown, const SessionOptions& options) {
  if (shown.skipped) return 0;
  if (shown.markerCell) return 1;
  if (options.viewType == ViewType::Hex) return 2;
  return CharNameCells(Reduced(shown.value, options));
}

CellLook LookOf(const CCaptBuf& record, int index, bool syncEvent, const SessionOptions& options,
                const SessionColors& colors, int markerIndex) {
  CellLook look;
  const ShownValue shown = ShownValueOf(record, syncEvent, options);
  if (shown.skipped) {
    look.skipped = true;
    return look;
  }
  const bool answer = record.IsAnswer();
  const bool hex = options.viewType == ViewType::Hex;
  COLORREF own = answer ? colors.answer : colors.originate;
  if (hex && index % 2 == 0) own = answer ? colors.answerShade : colors.originateShade;
  const COLORREF ownText = answer ? colors.answerText : colors.originateText;

  if (record.IsModemEvent()) {
    look.background = options.sync ? kSyncBack : kModemEventBack;
    look.foreground = options.sync ? colors.answerText : kWhite;
  } else if (options.sync) {
    look.background = kSyncBack;
    look.foreground = colors.answerText;
  } else if (options.parity7E1 && options.highlightParityErrors && !CheckParity(shown.value)) {
    look.background = kParityErrorBack;
    look.foreground = kBlack;
  } else if (options.parity7E1 && options.highlightParityBit && (shown.value & 0x80) != 0) {
    look.background = kParityBitBack;
    look.foreground = kBlack;
  } else {
    look.background = own;
    look.foreground = ownText;
  }
  if (index == markerIndex) {
    look.background = colors.marker;
    look.foreground = colors.markerText;
  }

  if (shown.markerCell) {
    look.text.assign(1, '*');
  } else {
    const UCHAR value = Reduced(shown.value, options);
    look.text = hex ? HexText(value) : std::string(CharName(value));
  }
  look.cells = CellsOf(shown, options);
  return look;
}
