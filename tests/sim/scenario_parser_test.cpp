// The scenario text format: what a text becomes, and the errors it reports.

#include <gtest/gtest.h>

#include "sim/ScenarioLibrary.h"
#include "sim/ScenarioParser.h"

namespace {

TEST(ScenarioParser, ReadsEveryDirective) {
  auto p = sim::parseScenario(R"(# a comment
scenario demo
title "A \"demo\" line"
length 30
repeat
at 1.5 dc 2 -7.5 ramp 0.1
at 2 status 2 "TEST STATION"
at 3 status 2 auto
at 1 tone 1 dialtone
at 2 tone 1 custom 0.5 1000,1500 cadence 0.2 0.3 for 4
at 5 dtmf 3 12# on 0.05 off 0.02
call 10 "CONNECT 2400"   # trailing comment
  rate 2400
  format 7E1
  wires 4
  line 2
  text +0.5 answer "AB\r\n\x41" parity-errors 0,4
  hex 1.0 orig 00 ff 7E every 0.5 count 3
  event +2 ans 3 7 5 15
  end +4 code 8 text "DCD LOST"
endcall
call 20
  fail +1.5 4
endcall
)");
  ASSERT_TRUE(p.ok()) << p.error;
  const sim::Scenario& s = p.scenario;
  EXPECT_EQ(s.name, "demo");
  EXPECT_EQ(s.title, "A \"demo\" line");
  EXPECT_EQ(s.length, 30'000'000);
  EXPECT_TRUE(s.repeat);
  ASSERT_EQ(s.dc.size(), 1u);
  EXPECT_EQ(s.dc[0].line, 2);
  EXPECT_EQ(s.dc[0].ramp, 100'000);
  ASSERT_EQ(s.status.size(), 2u);
  EXPECT_EQ(s.status[1].text, "");
  ASSERT_EQ(s.tones.size(), 2u);
  EXPECT_EQ(s.tones[0].kind, sim::ToneKind::DialTone);
  EXPECT_EQ(s.tones[0].end, 2'000'000);  // the next tone on line 1 ends it
  EXPECT_EQ(s.tones[1].hz, (std::vector<double>{1000, 1500}));
  EXPECT_EQ(s.tones[1].end, 6'000'000);
  EXPECT_EQ(s.tones[1].on, 200'000);
  ASSERT_EQ(s.dtmf.size(), 3u);
  EXPECT_EQ(s.dtmf[2].digit, '#');
  EXPECT_EQ(s.dtmf[2].start, 5'140'000);
  ASSERT_EQ(s.calls.size(), 2u);
  const sim::CallScript& c = s.calls[0];
  EXPECT_EQ(c.connectText, "CONNECT 2400");
  EXPECT_TRUE(c.sevenE1);
  EXPECT_EQ(c.wires, 4);
  EXPECT_EQ(c.line, 2);
  ASSERT_EQ(c.items.size(), 5u);  // text, three repeated hex items, event
  EXPECT_EQ(c.items[0].bytes, (std::vector<uint8_t>{'A', 'B', '\r', '\n', 'A'}));
  EXPECT_EQ(c.items[0].parityErrors, (std::vector<size_t>{0, 4}));
  EXPECT_EQ(c.items[3].offset, 2'000'000);
  EXPECT_EQ(c.items[3].bytes, (std::vector<uint8_t>{0x00, 0xFF, 0x7E}));
  EXPECT_EQ(c.items[4].bytes, (std::vector<uint8_t>{0x7C, 0x5F}));  // class 3 code 7, SNR 5 state 15
  EXPECT_EQ(c.endCode, 8);
  EXPECT_EQ(c.endText, "DCD LOST");
  EXPECT_FALSE(s.calls[1].connects());
  EXPECT_EQ(s.calls[1].failCode, 4);
}

TEST(ScenarioParser, LengthDefaultsPastTheLastEvent) {
  auto p = sim::parseScenario("at 2 dc 1 -8\ncall 3 \"CONNECT 300\"\n end +4 code 9\nendcall\n");
  ASSERT_TRUE(p.ok()) << p.error;
  EXPECT_EQ(p.scenario.length, 8'000'000);
  EXPECT_FALSE(p.scenario.repeat);
}

TEST(ScenarioParser, ReportsTheLineOfAnError) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"bogus", "line 1: unknown directive 'bogus'"},
      {"\nat 1 dc 4 -8", "line 2: bad line number"},
      {"at x dc 1 -8", "line 1: bad time"},
      {"at 1 dc 1", "line 1: missing volts"},
      {"at 1 dc 1 -8 extra", "line 1: unexpected 'extra'"},
      {"at 1 tone 1 hum", "line 1: unknown tone 'hum'"},
      {"at 1 dtmf 1 12X", "line 1: not a DTMF digit: X"},
      {"title \"open", "line 1: missing closing quote"},
      {"title plain", "line 1: title must be in double quotes"},
      {"call 1 \"CONNECT\"\n rate 2400\n", "line 3: call without endcall"},
      {"call 1 \"CONNECT\"\nendcall", "line 2: a call needs 'end' or 'fail'"},
      {"call 1\n end +1 code 9\nendcall", "line 3: a connecting call needs its connect text"},
      {"call 1 \"C\"\n frame +0 answer 01\n", "line 2: frames need 'mode sync' first"},
      {"call 1 \"C\"\n mode sync\n text +0 answer \"x\"\n", "line 3: a synchronous call carries frames"},
      {"call 1 \"C\"\n text +0 answer \"ab\" parity-errors 1\n", "line 2: parity errors need 'format 7E1' first"},
      {"call 1 \"C\"\n format 7E1\n text +0 answer \"ab\" parity-errors 2\n", "line 3: bad parity-error index"},
      {"call 1 \"C\"\n event +0 answer 8 0 0 0\n", "line 2: bad event class"},
      {"call 1 \"C\"\n end +1 code 0\n", "line 2: bad end code"},
      {"call 1 \"C\"\n end +1 code 9\n rate 300\n", "line 3: nothing may follow 'end' or 'fail' but 'endcall'"},
      {"call 1\n fail +1 6\n", "line 2: bad failure code"},
      {"call 1\n text +0 answer \"x\"\n fail +1 1\nendcall", "line 4: a failing call carries no data"},
      {"at 1 status 1 \"A:B\"", "line 1: status text may not hold ':'"},
      {"call 1 \"C\"\n hex +0 answer 0G\n", "line 2: bad hex byte '0G'"},
      {"title \"\\q\"", "line 1: unknown escape \\q"},
  };
  for (const Case& c : cases) {
    auto p = sim::parseScenario(c.text);
    EXPECT_EQ(p.error, c.error) << c.text;
  }
}

TEST(ScenarioLibrary, EveryBuiltInScenarioParses) {
  auto names = sim::builtinScenarioNames();
  EXPECT_GE(names.size(), 12u);
  for (const std::string& name : names) {
    auto text = sim::builtinText(name);
    ASSERT_TRUE(text.has_value()) << name;
    auto p = sim::parseScenario(*text);
    EXPECT_TRUE(p.ok()) << name << ": " << p.error;
    EXPECT_EQ(p.scenario.name, name);
    EXPECT_FALSE(p.scenario.title.empty()) << name;
  }
  EXPECT_FALSE(sim::builtinScenario("no-such-scenario").has_value());
  EXPECT_TRUE(sim::builtinText("memory").has_value());
}

}  // namespace
