// The program's default line, minute by minute on the firmware as the PC drives it: each
// minute's call captured to its end, and on line 3 (where the meters and the triggered trace
// start) dial tone, the dialled digits and the hook voltages; then the choices of line that
// name none.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SimTestSupport.h"
#include "sim/ScenarioChoice.h"
#include "sim/ScenarioLibrary.h"
#include "sim/WatchedLine.h"

using namespace simtest;

namespace {

struct Minute {
  const char* connect;
  int rate;
  bool sevenE1;
  bool sync;
  int wires;
  bool events;
};

class LiveLineMinute : public ::testing::TestWithParam<int> {
 protected:
  LiveLineMinute() : scenario(*sim::chooseScenario("").scenario) { fw.loadScenario(scenario, 0); }
  Micros start() const { return sec(60.0 * GetParam()); }

  sim::Scenario scenario;
  sim::Firmware fw;
};

// An 8N1 call at 1200/2400 comes first, so a fresh profile's capture settings suit it.
constexpr Minute kMinutes[] = {
    {"CONNECT 2400", 2400, false, false, 2, false},
    {"CONNECT 1200", 1200, true, false, 2, false},
    {"CONNECT 14400/ARQ/V32BIS/LAPM/V42BIS", 14400, false, false, 2, true},
    {"CONNECT 9600/SYNC", 9600, false, true, 2, false},
    {"CONNECT 9600", 9600, false, false, 4, true},
};

TEST_P(LiveLineMinute, CapturesTheMinutesCallToItsEnd) {
  const Minute& m = kMinutes[GetParam()];
  const sim::CallScript& call = scenario.calls.at(static_cast<size_t>(GetParam()));
  EXPECT_EQ(call.rate, m.rate);
  EXPECT_EQ(call.sevenE1, m.sevenE1);
  EXPECT_EQ(call.sync, m.sync);
  EXPECT_EQ(call.wires, m.wires);

  Micros now = start();
  CaptureRun run = runCapture(fw, now, ms(50), start() + sec(60));
  EXPECT_EQ(run.connectReply, std::string("ca:0:") + m.connect);
  EXPECT_EQ(run.endReply, "ca:1:9");
  EXPECT_LT(run.endedAt, start() + sec(60));
  EXPECT_EQ(fw.execute("TN", now), "tn:NO CARRIER");
  ASSERT_EQ(run.records, records(sim::renderCall(call).bytes));
  bool answer = false, originate = false, event = false;
  for (const Record& r : run.records) {
    event |= (r.attr & sim::kAttrModemEvent) != 0;
    (r.attr & sim::kAttrAnswer ? answer : originate) = true;
  }
  EXPECT_TRUE(answer && originate);
  EXPECT_EQ(event, m.events);
}

TEST_P(LiveLineMinute, LineThreeCarriesDialToneDigitsAndHookVoltages) {
  const Micros t0 = start();
  EXPECT_NE(fw.execute("VM:3:0", t0 + sec(1)).find(":ON HOOK:"), std::string::npos);
  EXPECT_NE(fw.execute("VM:3:0", t0 + sec(10)).find(":OFF HOOK:"), std::string::npos);

  sim::TraceSetup dialTone;  // the trace control's defaults: dial tone, 60 V DC, 5 seconds
  dialTone.line = 3;
  auto trace = fw.trace().record(dialTone, t0, t0 + sec(60));
  ASSERT_TRUE(trace.has_value());

  // The decoder polled as the PC polls it hears what line 1 dials.
  ASSERT_EQ(fw.execute("DT:0:3", t0), "dt:0:1");
  std::string heard;
  for (Micros t = t0; t < t0 + sec(20); t += ms(100)) {
    const std::string reply = fw.execute("DT:1", t);
    ASSERT_EQ(reply.rfind("dt:1:", 0), 0u) << reply;
    heard += reply.substr(5);
  }
  std::string dialled;
  for (const sim::DigitEvent& d : fw.line().digitsDetected(1, t0, t0 + sec(20))) dialled += d.digit;
  EXPECT_GE(dialled.size(), 7u);
  EXPECT_EQ(heard, dialled);
}

INSTANTIATE_TEST_SUITE_P(EveryMinute, LiveLineMinute, ::testing::Range(0, 5));

TEST(LiveLine, StartsOverAfterFiveMinutesAndLineTwoMovesOnItsOwn) {
  const sim::Scenario s = *sim::chooseScenario("").scenario;
  EXPECT_EQ(s.name, "live-line");
  EXPECT_TRUE(s.repeat);
  EXPECT_EQ(s.length, sec(300));
  sim::Firmware fw;
  fw.loadScenario(s, 0);
  auto calls = fw.line().callsBetween(sec(300), sec(360));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].index, 0u);
  EXPECT_EQ(calls[0].start, sec(300) + s.calls[0].at);
  // Line 2 is answered in the first minute while line 1 is back on hook.
  EXPECT_NE(fw.execute("VM:2:0", sec(45)).find(":OFF HOOK:"), std::string::npos);
  EXPECT_NE(fw.execute("VM:1:0", sec(45)).find(":ON HOOK:"), std::string::npos);
  EXPECT_NE(fw.execute("VM:2:0", sec(55)).find(":ON HOOK:"), std::string::npos);
}

// ---- QUORLAN_SCENARIO's text that names no line (what it names is played: the shell's
// simulated_system_test)

class ScenarioChoiceTest : public ::testing::Test {
 protected:
  std::string write(const char* name, const std::string& text) {
    std::string path = ::testing::TempDir() + "live_line_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

TEST_F(ScenarioChoiceTest, UnknownNamesAndBadFilesSayWhy) {
  const std::string bad = write("bad.scn", "scenario bad\nat 1 dc 1 -8\nat 2 tone 1 hum\n");
  const std::string missing = ::testing::TempDir() + "live_line_missing.scn";
  const std::string folder = ::testing::TempDir() + "live_line_folder.scn";
  std::filesystem::create_directories(folder);
  struct Case {
    std::string choice;
    std::string error;
  };
  const Case cases[] = {
      {"bogus", "no built-in scenario \"bogus\" (built in: b300, call-progress, "},
      {"memory", "no built-in scenario \"memory\""},  // the stored-memory manifest is no line
      {"IDLE", "no built-in scenario \"IDLE\""},
      {bad, bad + ": line 3: unknown tone 'hum'"},
      {missing, "cannot read \"" + missing + "\""},
      {folder, "cannot read \"" + folder + "\""},
  };
  for (const Case& c : cases) {
    sim::ScenarioChoice chosen = sim::chooseScenario(c.choice);
    EXPECT_FALSE(chosen.ok()) << c.choice;
    EXPECT_FALSE(chosen.scenario.has_value()) << c.choice;
    EXPECT_EQ(chosen.error.rfind(c.error, 0), 0u) << chosen.error;
  }
  EXPECT_NE(sim::chooseScenario("bogus").error.find("live-line"), std::string::npos);
}

// Every built-in line as the program plays it: armed 10 s after the start, a capture catches the
// line's first call, the calls after it and then the first call again, one length later.
class NamedLine : public ::testing::TestWithParam<std::string> {};

TEST_P(NamedLine, ItsCallsComeAfterTheLeadInAgainAndAgain) {
  const sim::Scenario own = *sim::builtinScenario(GetParam());
  const sim::ScenarioChoice chosen = sim::chooseScenario(GetParam());
  ASSERT_TRUE(chosen.ok()) << chosen.error;
  const sim::Scenario& played = *chosen.scenario;
  if (own.calls.empty() || own.repeat) {
    EXPECT_EQ(played.length, own.length);
    EXPECT_EQ(played.repeat, own.repeat);
    return;
  }
  ASSERT_TRUE(played.repeat);
  ASSERT_EQ(played.calls.size(), own.calls.size());
  const Micros lead = played.calls.front().at - own.calls.front().at;
  EXPECT_EQ(played.calls.front().at, sim::kFirstCallAt);
  EXPECT_EQ(played.length, own.length + lead);
  for (std::size_t i = 0; i < own.calls.size(); ++i) {
    EXPECT_EQ(played.calls[i].at, own.calls[i].at + lead) << "call " << i;
    EXPECT_EQ(played.calls[i].items.size(), own.calls[i].items.size()) << "call " << i;
  }
  ASSERT_EQ(played.dc.size(), own.dc.size());
  for (std::size_t i = 0; i < own.dc.size(); ++i) EXPECT_EQ(played.dc[i].at, own.dc[i].at + lead);

  sim::Firmware fw;
  fw.loadScenario(played, 0);
  Micros now = sec(10);  // Capture pressed
  std::vector<CaptureRun> runs;
  for (std::size_t call = 0; call <= own.calls.size(); ++call) {
    runs.push_back(runCapture(fw, now, ms(50), now + played.length + sec(5)));
    ASSERT_FALSE(runs.back().endReply.empty()) << "capture " << call << " caught nothing";
    fw.execute("CA:2", now);
  }
  const CaptureRun& first = runs.front();
  const CaptureRun& again = runs.back();
  if (own.calls.front().connects()) {
    EXPECT_EQ(first.connectReply, "ca:0:" + own.calls.front().connectText);
    EXPECT_FALSE(first.records.empty());
  }
  EXPECT_EQ(again.connectReply, first.connectReply);
  EXPECT_EQ(again.endReply, first.endReply);
  EXPECT_EQ(again.records, first.records);
  EXPECT_NEAR(static_cast<double>(again.endedAt - first.endedAt), static_cast<double>(played.length), ms(60));
}

INSTANTIATE_TEST_SUITE_P(Lines, NamedLine, ::testing::ValuesIn(sim::builtinScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
