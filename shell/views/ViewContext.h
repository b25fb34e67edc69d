#pragma once

// What every view, dialog and the control panel is built with, instead of the application: the
// store (its scopes, run state and shared texts), the link's device state, the settings, the
// prompts, the display font, a port to the worker and the few things a window asks of the
// application. The application owns the one context and outlives every window, so windows hold
// it by reference.

#include <QFont>
#include <QString>

#include "link/protocol/LinkContext.h"
#include "link/store/DocumentType.h"
#include "link/store/OruData.h"
#include "shell/model/AppSettings.h"
#include "shell/prompts/PromptService.h"
#include "shell/views/FrameViews.h"
#include "shell/views/ViewFactory.h"

class CORUpc144Doc;

// Posts a request to the worker's queue; nothing when no worker runs.
class WorkerPort {
 public:
  virtual void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) = 0;

 protected:
  ~WorkerPort() = default;
};

// What a window asks of the application: its sibling views, the document, the tabs and the
// commands that belong to the main frame.
class ViewHost {
 public:
  // The main frame's views; a window made without a main frame finds an empty set of its own.
  virtual FrameViews& Views() = 0;
  // The document; null before the application made it.
  virtual CORUpc144Doc* Document() = 0;
  // The document's "update all views".
  virtual void UpdateViews() = 0;
  virtual void SelectTab(int index) = 0;
  virtual void EnableTab(int index) = 0;
  virtual void SetMainTitle(const QString& name) = 0;
  virtual void OnFileNew() = 0;
  // A main-frame command (menu id); nothing while there is no main frame.
  virtual void RunFrameCommand(int id) = 0;

  // The document's title; empty while there is no document.
  QString DocumentTitle();
  // Marks the document's data of `documentType` modified (a marker or selection saved with it);
  // nothing while there is no document.
  void MarkModified(DocumentType documentType);

 protected:
  ~ViewHost() = default;
};

struct ViewContext {
  CORUData& store;
  LinkContext& link;
  AppSettings& settings;
  PromptService& prompts;
  const QFont& displayFont;
  ViewFactory& viewFactory;
  WorkerPort& worker;
  ViewHost& host;
};
