#include "link/store/SysCfg.h"

#include "link/store/ArchiveStrings.h"

CSysCfg& CSysCfg::operator=(const CSysCfg& other) {
  if (this == &other) return *this;
  const UCHAR keepSessionMode = sessionMode;
  const UCHAR keepBitStuffed = bitStuffed;
  const USHORT keepItem15 = item15;
  const LONG keepTraceLevel = traceLevel;
  firmwareVersion = other.firmwareVersion;
  triggerText = other.triggerText;
  item1 = other.item1;
  item2 = other.item2;
  item3 = other.item3;
  item4 = other.item4;
  item5 = other.item5;
  modem3Volume = other.modem3Volume;
  standard = other.standard;
  parity7E1 = other.parity7E1;
  sync = other.sync;
  lineType = other.lineType;
  item11 = other.item11;
  trigger = other.trigger;
  callProgress = other.callProgress;
  item14 = other.item14;
  reserved1 = other.reserved1;
  traceScale = other.traceScale;
  traceSpan = other.traceSpan;
  reserved2 = other.reserved2;
  value1 = other.value1;
  value2 = other.value2;
  sessionMode = keepSessionMode;
  bitStuffed = keepBitStuffed;
  item15 = keepItem15;
  traceLevel = keepTraceLevel;
  return *this;
}

void CSysCfg::StoreCaptureForm(ByteWriter& out) const {
  out.Byte(standard);
  out.Byte(parity7E1);
  out.Byte(sync);
  out.Byte(lineType);
  out.Byte(trigger);
  WriteArchiveString(out, triggerText);
  out.Byte(callProgress);
  out.Byte(item14);
}

bool CSysCfg::LoadCaptureForm(ByteReader& in) {
  // A capture file always opens with the de-stuffed display of synchronous events.
  bitStuffed = 1;
  return in.Byte(standard) && in.Byte(parity7E1) && in.Byte(sync) && in.Byte(lineType) && in.Byte(trigger) &&
         ReadArchiveString(in, triggerText) && in.Byte(callProgress) && in.Byte(item14);
}

void CSysCfg::StoreTraceForm(ByteWriter& out) const {
  out.Double(value1);
  out.Double(value2);
}

bool CSysCfg::LoadTraceForm(ByteReader& in) { return in.Double(value1) && in.Double(value2); }

void CSysCfg::TakeCaptureForm(const CSysCfg& loaded) {
  standard = loaded.standard;
  parity7E1 = loaded.parity7E1;
  sync = loaded.sync;
  lineType = loaded.lineType;
  trigger = loaded.trigger;
  triggerText = loaded.triggerText;
  callProgress = loaded.callProgress;
  item14 = loaded.item14;
  bitStuffed = loaded.bitStuffed;
}

void CSysCfg::TakeTraceForm(const CSysCfg& loaded) {
  value1 = loaded.value1;
  value2 = loaded.value2;
}
