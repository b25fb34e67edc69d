// Stored sessions and traces: directory replies, session and trace downloads in text and binary
// form, the factory contents and what a new capture or trace does to the slots.

#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/MemoryPrefill.h"
#include "sim/Reply.h"
#include "sim/ScenarioLibrary.h"

using namespace simtest;

namespace {

sim::Firmware& factory(sim::Firmware& fw) {
  EXPECT_EQ(sim::prefillMemory(fw), "");
  return fw;
}

std::vector<Record> renderedCall(const char* scenario, size_t call) {
  auto s = sim::builtinScenario(scenario);
  EXPECT_TRUE(s.has_value());
  return records(sim::renderCall(s->calls.at(call)).bytes);
}

// Downloads session `slot` with "RD:n" then "RD" until the end, as the PC does.
struct Download {
  std::string header;
  std::vector<std::string> lines;
  std::vector<Record> records;
  std::string end;
};

Download download(sim::Firmware& fw, int slot) {
  Download d;
  d.header = fw.execute("RD:" + std::to_string(slot), 0);
  for (int i = 0; i < 100000; ++i) {
    std::string r = fw.execute("RD", 0);
    auto recs = decodeLine(r);
    if (!recs) {
      d.end = r;
      break;
    }
    d.lines.push_back(r);
    d.records.insert(d.records.end(), recs->begin(), recs->end());
  }
  return d;
}

TEST(StoredMemory, FactoryDirectoryReplies) {
  sim::Firmware fw;
  factory(fw);
  auto count = [](const char* s, size_t call) {
    return sim::hex4(static_cast<unsigned>(renderedCall(s, call).size()));
  };
  EXPECT_EQ(fw.execute("SH:1", 0), "sh:1:01/10/24:09:15:02:NO CARRIER:" + count("v22bis-async", 0) + ":0000");
  EXPECT_EQ(fw.execute("SH:2", 0), "sh:2:01/10/24:11:40:30:NO CARRIER:" + count("parity-7e1", 0) + ":0020");
  EXPECT_EQ(fw.execute("SH:4", 0), "sh:4:01/11/24:16:20:45:NO CARRIER:" + count("hdlc-sync", 0) + ":0008");
  EXPECT_EQ(fw.execute("SH:8", 0), "sh:8:01/13/24:10:10:10:NO CARRIER:" + count("four-wire", 0) + ":0010");
  for (int slot = 1; slot <= 9; ++slot)
    EXPECT_NE(fw.execute("SH:" + std::to_string(slot), 0), "sh:" + std::to_string(slot) + ":0");

  EXPECT_EQ(fw.execute("TH:1", 0), "th:1:01/14/24:10:00:01::0000:0001:0:0002:0000:0001");
  EXPECT_EQ(fw.execute("TH:2", 0), "th:2:01/14/24:10:05:03:1800:0001:0001:0:0002:0001:0001");
  EXPECT_EQ(fw.execute("TH:3", 0), "th:3:01/14/24:10:10:01::0003:0001:-50:0000:0003:0001");

  EXPECT_EQ(fw.execute("SH:0", 0), "er:2:SH");
  EXPECT_EQ(fw.execute("SH:10", 0), "er:2:SH");
  EXPECT_EQ(fw.execute("TH:4", 0), "er:2:TH");
}

TEST(StoredMemory, EmptySlotsAndLongTexts) {
  sim::Firmware fw;
  EXPECT_EQ(fw.execute("SH:9", 0), "sh:9:0");
  EXPECT_EQ(fw.execute("TH:3", 0), "th:3:0");
  EXPECT_EQ(fw.execute("RD:9", 0), "rd:2");
  EXPECT_EQ(fw.execute("RD", 0), "rd:2");
  EXPECT_EQ(fw.execute("RT:3", 0), "rt");
  EXPECT_EQ(fw.execute("RT:7", 0), "rt");  // the PC may ask for slots up to 9
  EXPECT_EQ(fw.execute("RT:10", 0), "er:2:RT");

  sim::StoredSession s;
  s.used = true;
  s.name = std::string(80, 'N');
  s.endText = std::string(80, 'E');
  s.bytes.resize(70000);
  fw.memory().setSession(5, s);
  std::string sh = fw.execute("SH:5", 0);
  EXPECT_EQ(sh.size(), 64u);
  EXPECT_EQ(sh.substr(sh.size() - 10), ":FFFF:0000");
  EXPECT_EQ(fw.execute("RD:5", 0).size(), 64u);
}

TEST(StoredMemory, TextDownloadGivesTheSessionsBytes) {
  sim::Firmware fw;
  factory(fw);
  Download d = download(fw, 1);
  EXPECT_EQ(d.header, "rd:0:CONNECT 2400:01/10/24:09:15:02");
  EXPECT_EQ(d.end, "rd:2");
  EXPECT_EQ(d.records, renderedCall("v22bis-async", 0));
  for (size_t i = 0; i + 1 < d.lines.size(); ++i) {
    EXPECT_EQ(d.lines[i].substr(0, 5), "rd:1:");
    EXPECT_EQ(d.lines[i].size(), 60u);  // five items
  }
  EXPECT_EQ(fw.execute("RD", 0), "rd:2");  // the trailing "RD" after the end
}

TEST(StoredMemory, BinaryDownloadAboveTwoFourHundred) {
  sim::Firmware fw;
  factory(fw);
  Download d = download(fw, 3);  // 14400 bit/s
  EXPECT_EQ(d.header, "rd:0:CONNECT 14400:01/11/24:14:05:10");
  EXPECT_EQ(d.records, renderedCall("v32bis-events", 0));
  ASSERT_FALSE(d.lines.empty());
  EXPECT_EQ(d.lines.front().substr(0, 3), "rd#");
  EXPECT_EQ(d.lines.front().size(), 64u);
  EXPECT_EQ(d.lines.front()[3], 15);

  // Item 11 forces text, and binary for a slow call.
  fw.execute("SC:11:1", 0);
  Download text = download(fw, 3);
  EXPECT_EQ(text.lines.front().substr(0, 5), "rd:1:");
  EXPECT_EQ(text.records, d.records);
  fw.execute("SC:11:2", 0);
  Download binary = download(fw, 1);
  EXPECT_EQ(binary.lines.front().substr(0, 3), "rd#");
  EXPECT_EQ(binary.records, renderedCall("v22bis-async", 0));
}

TEST(StoredMemory, TraceDownload) {
  sim::Firmware fw;
  factory(fw);
  std::vector<int> samples;
  std::string r = fw.execute("RT:2", 0);
  int lines = 0;
  while (r.rfind("rt:", 0) == 0 && r.size() > 3) {
    ++lines;
    EXPECT_LE(r.size(), 64u);
    for (size_t p = 3; p + 5 <= r.size(); p += 5) {
      ASSERT_EQ(r[p + 4], ':');
      int v = std::stoi(r.substr(p, 4), nullptr, 16);
      samples.push_back(v > 32767 ? v - 65536 : v);
    }
    r = fw.execute("RT", 0);
  }
  EXPECT_EQ(r, "rt");
  EXPECT_EQ(lines, 84);  // 12 samples a line
  EXPECT_EQ(samples, fw.memory().trace(2).samples);
  ASSERT_EQ(samples.size(), 1000u);
  // A DTMF trace on the 1.5 V AC range (0.005 V a unit): the rest of the number's digits, two
  // tones of 0.78 V p-p each, then ring-back at 0.25 V p-p a tone.
  auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
  EXPECT_LT(*lo, -100);
  EXPECT_GT(*hi, 100);
  EXPECT_GE(*lo, -311);
  EXPECT_LE(*hi, 311);
  int late = *std::max_element(samples.begin() + 500, samples.end());
  EXPECT_LE(late, 52);  // only ring-back by then
}

TEST(StoredMemory, NewCaptureGoesToSlotOne) {
  sim::Firmware fw;
  factory(fw);
  std::string oldFirst = fw.execute("SH:1", 0);
  std::string oldEighth = fw.execute("SH:8", 0);
  fw.execute("SR:06:01:24:12:00:00", 0);
  fw.loadScenario(*sim::builtinScenario("b300"), 0);
  Micros now = 0;
  CaptureRun run = runCapture(fw, now, ms(50), sec(10));
  EXPECT_EQ(run.endReply, "ca:1:9");
  std::string first = fw.execute("SH:1", now);
  EXPECT_EQ(first.substr(0, 22), "sh:1:06/01/24:12:00:01");
  EXPECT_EQ(fw.execute("SH:2", now), "sh:2" + oldFirst.substr(4));
  EXPECT_EQ(fw.execute("SH:9", now), "sh:9" + oldEighth.substr(4));
  Download d = download(fw, 1);
  EXPECT_EQ(d.header, "rd:0:CONNECT 300:06/01/24:12:00:01");
  EXPECT_EQ(d.records, run.records);
}

}  // namespace
