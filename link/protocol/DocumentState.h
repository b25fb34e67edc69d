#pragma once

// What the worker may know of the document, so that it never touches a window: the per-type
// modified flags and whether a document is open. The application's document implements it;
// every call may come from either thread, so implementations make each call thread-safe.

#include "link/store/DocumentType.h"

class DocumentState {
 public:
  virtual ~DocumentState() = default;

  // Sets or clears the modified flag of `documentType`; the document counts as modified while
  // either type's flag is set.
  virtual void SetTypeModified(bool modified, DocumentType documentType) = 0;
  virtual bool IsTypeModified(DocumentType documentType) const = 0;
  virtual bool IsDocumentOpen() const = 0;
};
