#include "display/model/SessionOptions.h"

#include "link/store/OruData.h"

SessionOptions OptionsFrom(const CaptureScope& capture, ViewType viewType) {
  const CSysCfg& cfg = capture.sysCfg();
  SessionOptions options;
  options.viewType = viewType;
  options.parity7E1 = cfg.parity7E1 == 1;
  options.sync = cfg.sync == 1;
  options.bitStuffed = cfg.bitStuffed == 1;
  options.showModemEvents = capture.showModemEvents() != 0;
  options.highlightParityErrors = capture.highlightParityErrors() != 0;
  options.highlightParityBit = capture.highlightParityBit() != 0;
  return options;
}

SessionOptions OptionsFrom(const CORUData& store, ViewType viewType) {
  // The worker writes the configuration under the store's lock.
  return store.WithCapture([viewType](const CaptureScope& capture) { return OptionsFrom(capture, viewType); });
}
