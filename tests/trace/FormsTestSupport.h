#pragma once

// The application object without its start-up, a document, the worker's requests recorded and
// the user scripted, for the trace folder's form tests. A device counts as open while `device`
// is set.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

#include "link/store/DocumentType.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "tests/shell/AppFixture.h"
#include "tests/shell/FrameTestSupport.h"

namespace formtest {

class FormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app = apprig::BareApp();
    document = std::make_unique<CORUpc144Doc>(*app);
    app->currentDocument = document.get();
    app->settings.autosaveFolder = dir.path().toStdString();
    app->prompts().SetAnswerer(&answers);
    answers.OnFailure([](const std::string& message) { ADD_FAILURE() << message; });
    requests = std::make_unique<frametest::ScopedRequestCapture>(app->context);
  }
  void TearDown() override {
    answers.CheckAllUsed();
    SetDevice(false);
    requests.reset();
    app->currentDocument = nullptr;
    document.reset();
    app.reset();
  }
  void SetDevice(bool open) {
    app->context.deviceHandle = open ? reinterpret_cast<HANDLE>(0x1234) : INVALID_HANDLE_VALUE;
  }
  CORUData& store() { return app->dataStore; }
  // The requests posted so far, in order; a marker request posted last and awaited makes sure
  // every earlier one has arrived.
  std::vector<MSG> Requests() {
    constexpr UINT kMarker = 0x7FFF;
    const int before = requests->recorder.Count(kMarker);
    app->PostToWorker(kMarker);
    EXPECT_TRUE(requests->recorder.WaitForCount(kMarker, before + 1));
    std::vector<MSG> all;
    for (const MSG& m : requests->recorder.Messages())
      if (m.message != kMarker) all.push_back(m);
    return all;
  }
  std::vector<UINT> RequestIds() {
    std::vector<UINT> ids;
    for (const MSG& m : Requests()) ids.push_back(m.message);
    return ids;
  }

  QTemporaryDir dir;
  std::unique_ptr<CORUpc144App> app;
  std::unique_ptr<CORUpc144Doc> document;
  ScriptedAnswerer answers;
  std::unique_ptr<frametest::ScopedRequestCapture> requests;
};

}  // namespace formtest
