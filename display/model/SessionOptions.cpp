#include "display/model/SessionOptions.h"

#include "link/store/OruData.h"

SessionOptions OptionsFrom(const CORUData& store, ViewType viewType) {
  // The worker writes the configuration under the store's lock.
  auto guard = store.HoldData();
  SessionOptions options;
  options.viewType = viewType;
  options.parity7E1 = store.sysCfg.parity7E1 == 1;
  options.sync = store.sysCfg.sync == 1;
  options.bitStuffed = store.sysCfg.bitStuffed == 1;
  options.showModemEvents = store.showModemEvents != 0;
  options.highlightParityErrors = store.highlightParityErrors != 0;
  options.highlightParityBit = store.highlightParityBit != 0;
  return options;
}
