#include "shell/views/ViewContext.h"

#include "shell/OruDocument.h"

QString ViewHost::DocumentTitle() {
  CORUpc144Doc* document = Document();
  return document != nullptr ? document->Title() : QString();
}

void ViewHost::MarkModified(DocumentType documentType) {
  if (CORUpc144Doc* document = Document()) document->SetTypeModified(true, documentType);
}
