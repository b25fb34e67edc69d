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
                const CaptureColors& colors, int markerIndex) {
  CellLook look;
  const ShownValue shown = ShownValueOf(record, syncEvent, options);
  if (shown.skipped) {
    look.skipped = true;
    return look;
  }
  const bool hex = options.viewType == ViewType::Hex;
  CellTraits traits;
  traits.answer = record.IsAnswer();
  // Hex alternates by capture index: even indexes take the shade.
  traits.shaded = hex && index % 2 == 0;
  traits.marker = index == markerIndex;
  traits.sync = options.sync;
  traits.modemEvent = record.IsModemEvent();
  traits.parityError = options.parity7E1 && options.highlightParityErrors && !CheckParity(shown.value);
  traits.parityBit = options.parity7E1 && options.highlightParityBit && (shown.value & 0x80) != 0;
  look.colors = CellColorsOf(traits, kSessionPalette, colors);

  if (shown.markerCell) {
    look.text.assign(1, '*');
  } else {
    const UCHAR value = Reduced(shown.value, options);
    look.text = hex ? HexText(value) : std::string(CharName(value));
  }
  look.cells = CellsOf(shown, options);
  return look;
}
