#pragma once

// The instrument's capture configuration as the program knows it; stored at the head of files.

#include <string>

#include "platform/nt/BaseTypes.h"

class ByteReader;
class ByteWriter;

struct CSysCfg {
  CSysCfg() = default;
  CSysCfg(const CSysCfg&) = default;
  // Copies everything but the control-panel options and the trigger levels, which belong to the
  // copy's owner.
  CSysCfg& operator=(const CSysCfg& other);

  // The form written into capture files (after the view type) and into trace files.
  void StoreCaptureForm(ByteWriter& out) const;
  bool LoadCaptureForm(ByteReader& in);  // also turns bitStuffed on
  void StoreTraceForm(ByteWriter& out) const;
  bool LoadTraceForm(ByteReader& in);
  // The fields each form carries (bitStuffed with the capture form), taken from a record that a
  // file was loaded into.
  void TakeCaptureForm(const CSysCfg& loaded);
  void TakeTraceForm(const CSysCfg& loaded);

  std::string firmwareVersion;  // from the version reply
  std::string triggerText;      // sent with ST; stored in capture files
  LONG item1 = 0;
  LONG item2 = 0;
  UCHAR item3 = 0;
  UCHAR item4 = 0;
  UCHAR item5 = 0;
  UCHAR modem3Volume = 0;  // item 6
  UCHAR standard = 0;      // item 7: modem standard index
  UCHAR parity7E1 = 0;     // item 8: 1 = 7E1, 0 = 8N1
  UCHAR sync = 0;          // item 9: 1 = synchronous capture
  UCHAR lineType = 0;      // 2- or 4-wire; not sent
  UCHAR item11 = 0;
  UCHAR trigger = 0;       // item 13
  UCHAR callProgress = 0;  // sent as item 99
  UCHAR item14 = 0;
  UCHAR reserved1 = 0;
  UCHAR traceScale = 0;   // item 16
  UCHAR traceSpan = 0;    // item 17
  UCHAR sessionMode = 0;  // 0 single, 1 multiple
  UCHAR bitStuffed = 0;   // "Bit-stuffed" display option
  UCHAR reserved2 = 0;
  USHORT item15 = 0;
  // "DeltaV" as the trace control starts a trace with it, percent of full scale; it goes into
  // currentTrace with the scale and span when the trace triggers. Never sent, never in files.
  LONG traceLevel = 0;
  double value1 = 0.0;  // item 18: volts per sample unit, AC ranges
  double value2 = 0.0;  // item 19: scale factor, DC ranges (used negated)
};
