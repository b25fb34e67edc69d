#pragma once

// The store's guarded fields as they are, for link/ (worker, protocol, files) and the tests
// only: windows reach them through the scopes of CORUData. A test keeps any other folder from
// including this header or naming LinkFields. The caller holds dataMutex (LinkFields(store).dataMutex)
// wherever the other thread may change what it touches.

#include "link/store/OruData.h"

class LinkAccess {
 public:
  static StoreFields& Fields(CORUData& store) { return store.Fields(); }
  static const StoreFields& Fields(const CORUData& store) { return store.Fields(); }
};

inline StoreFields& LinkFields(CORUData& store) { return LinkAccess::Fields(store); }
inline const StoreFields& LinkFields(const CORUData& store) { return LinkAccess::Fields(store); }
