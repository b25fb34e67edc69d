#pragma once

// One QApplication for a resources test binary (offscreen: qv_test sets QT_QPA_PLATFORM).
#include <gtest/gtest.h>

#include <QApplication>

class ResourcesTestApp : public testing::Environment {
 public:
  void SetUp() override { app_ = new QApplication(argc_, argv_); }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[16] = "resources_test";
  char* argv_[2] = {name_, nullptr};
  QApplication* app_ = nullptr;
};

inline testing::Environment* const kResourcesTestApp = testing::AddGlobalTestEnvironment(new ResourcesTestApp);
