#pragma once

// The application in-process for gtest tests: apprig::AppRig (a Machine of its own with the ORUpc
// driver and a simulated instrument, settings in a temporary folder, a scripted answerer and a
// single-instance socket of its own) with every failure reported to the test: an unscripted prompt
// or an unused answer fails it, and so does a Machine whose checks are not clean at the end.
//
//   class MyTest : public apptest::AppFixture {};
//   TEST_F(MyTest, Something) {
//     ASSERT_TRUE(Start());
//     answers.Box(IDOK);
//     app().OnFileNew();
//   }
//
// TearDown ends the application (worker stopped and joined, settings saved), checks the answers
// and shuts the Machine down expecting its checks to be clean.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <chrono>
#include <vector>

#include "tests/rig/AppRig.h"

namespace apptest {

using apprig::Eventually;
using apprig::kHangMs;
using apprig::QtApplication;
using apprig::QuietInstrument;
using apprig::SilentInstrument;

// Data as a capture or a trace leaves it: one event of `records` bytes, or `samples` samples.
void FillCapture(CORUData& store, int records, int seed = 0);
void FillTrace(CORUData& store, int samples, int base = 0);
// Each record's file fields (data, flags, time words), for comparing a capture with its reload.
struct RecordFields {
  UCHAR data = 0;
  UCHAR flags = 0;
  ULONG timeFraction = 0;
  ULONG timeSeconds = 0;
  bool operator==(const RecordFields&) const = default;
};
std::vector<RecordFields> CaptureFields(CORUData& store);
std::vector<int> TraceSamples(CORUData& store);
// The whole file's bytes (empty when it cannot be read).
QByteArray FileBytes(const QString& path);
// Plays a short 2400 bit/s call on the instrument, connecting half a second (of its time) from
// now and ending with code 9 ("Capture session complete.") a little over a second later.
void PlayShortCall(sim::Instrument& instrument);

class AppFixture : public ::testing::Test, public apprig::AppRig {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace apptest
