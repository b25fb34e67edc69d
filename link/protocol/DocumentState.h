#pragma once

// What the worker may know of the document, so that it never touches a window: the per-type
// modified flags and whether a document is open. The application's document implements it;
// every call may come from either thread, so implementations make each call thread-safe.

class DocumentState {
 public:
  virtual ~DocumentState() = default;

  // modified 1 sets the flag of `documentType` (DOCUMENT_CAPTURE or DOCUMENT_TRACE) and the
  // document's own; 0 clears it, and the document's only when the other type's is clear too.
  virtual void SetTypeModified(int modified, int documentType) = 0;
  virtual int IsTypeModified(int documentType) const = 0;
  virtual bool IsDocumentOpen() const = 0;
};
