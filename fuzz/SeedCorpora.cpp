// Writes the seed corpora of the fuzz targets from the simulated instrument: the replies it gives
// to real command sequences (captures of the built-in scenarios, the stored memory, meters,
// trace, configuration), S-record files, the scenario texts and the commands themselves.
// Run once: fuzz_seed_corpora fuzz/corpus. Files that already exist are overwritten.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/Firmware.h"
#include "sim/MemoryPrefill.h"
#include "sim/ScenarioLibrary.h"

namespace {

namespace fs = std::filesystem;
using Exchange = std::vector<std::pair<std::string, std::string>>;  // command, reply

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The replies in the targets' form: an option byte, then each reply as its length and bytes. A
// run of the same reply (an armed capture waiting) is kept short.
std::string Replies(const Exchange& exchange, char options) {
  std::string out(1, options);
  std::string last;
  int repeats = 0;
  for (const auto& [command, reply] : exchange) {
    repeats = reply == last ? repeats + 1 : 0;
    last = reply;
    if (repeats >= 3) continue;
    out.push_back(static_cast<char>(reply.size()));
    out += reply;
  }
  return out;
}

// The commands as host writes, one after another.
std::string Commands(const Exchange& exchange) {
  std::string out;
  for (const auto& [command, reply] : exchange) out += command + "\x1f";
  return out;
}

struct Session {
  sim::Firmware fw;
  sim::Micros now = 0;
  Exchange exchange;
  std::string Run(const std::string& command, sim::Micros step = sim::millis(20)) {
    std::string reply = fw.execute(command, now);
    exchange.emplace_back(command, reply);
    now += step;
    fw.advance(now);
    return reply;
  }
};

Exchange Capture(const std::string& scenario, std::size_t maxReplies) {
  Session s;
  s.fw.config().setValue(9, scenario == "hdlc-sync" ? 1 : 0);
  s.fw.loadScenario(*sim::builtinScenario(scenario), 0);
  s.Run("CA:0");
  for (std::size_t i = 0; i < maxReplies; ++i) {
    const std::string reply = s.Run("CA:1", sim::millis(50));
    if (reply == "ca:2" || reply.starts_with("ce:") || (reply.size() == 6 && reply.starts_with("ca:1:"))) {
      s.Run("TN");
      s.Run("CA:2");
      break;
    }
  }
  return s.exchange;
}

std::string SRecord(char type, uint32_t address, int addressBytes, const std::vector<uint8_t>& data, const char* end) {
  std::vector<uint8_t> body{static_cast<uint8_t>(addressBytes + data.size() + 1)};
  for (int i = addressBytes - 1; i >= 0; --i) body.push_back(static_cast<uint8_t>(address >> (8 * i)));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : body) sum += b;
  body.push_back(static_cast<uint8_t>(~sum));
  std::string out = "S";
  out.push_back(type);
  for (uint8_t b : body) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    out += hex;
  }
  return out + end;
}

std::string Image(const char* end, int records, std::size_t dataBytes) {
  std::string file = SRecord('0', 0, 2, {'O', 'R', 'U', 'p', 'c'}, end);
  for (int i = 0; i < records; ++i) {
    std::vector<uint8_t> data(dataBytes);
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<uint8_t>(i * 31 + k);
    file += SRecord('2', 0x1000 + static_cast<uint32_t>(i * dataBytes), 3, data, end);
  }
  return file + SRecord('8', 0x1000, 3, {}, end);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_corpora <corpus folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  std::vector<Exchange> all;

  for (const char* scenario : {"v22bis-async", "v32bis-events", "hdlc-sync", "two-calls", "error-ends", "b300"}) {
    const Exchange capture = Capture(scenario, 3000);
    Write(root / "capture_replies" / (std::string("sim-") + scenario), Replies(capture, 0x05));
    all.push_back(capture);
  }

  {
    Session s;
    sim::prefillMemory(s.fw);
    for (int slot = 1; slot <= 9; ++slot) s.Run("SH:" + std::to_string(slot));
    for (int slot = 1; slot <= 3; ++slot) s.Run("TH:" + std::to_string(slot));
    Write(root / "stored_replies" / "sim-directories", Replies(s.exchange, 1));
    all.push_back(s.exchange);
    for (int slot : {1, 3, 5}) {
      Session d;
      sim::prefillMemory(d.fw);
      d.Run("RD:" + std::to_string(slot));
      for (int i = 0; i < 40 && !d.exchange.back().second.starts_with("rd:2"); ++i) d.Run("RD");
      Write(root / "stored_replies" / ("sim-session-" + std::to_string(slot)), Replies(d.exchange, 1));
      all.push_back(d.exchange);
    }
    Session t;
    sim::prefillMemory(t.fw);
    t.Run("RT:1");
    for (int i = 0; i < 30; ++i) t.Run("RT");
    Write(root / "stored_replies" / "sim-trace-1", Replies(t.exchange, 1));
    all.push_back(t.exchange);
  }

  {
    Session s;
    s.fw.loadScenario(*sim::builtinScenario("volt-meter"), 0);
    for (const char* c : {"VM:1:0", "VM:2:1", "VM:3:0", "VM:1:2", "GC:7:8:9", "GC:18:19", "RC:1:0", "RC:2:1", "VN",
                          "LC:1:0:3:1000", "LC:0", "SR:03:05:24:07:08:09", "GR", "IM", "GE", "ST:123", "GT"})
      s.Run(c);
    Write(root / "meter_config_replies" / "sim-meter-config", Replies(s.exchange, 1));
    all.push_back(s.exchange);

    Session d;
    d.fw.loadScenario(*sim::builtinScenario("dtmf-digits"), 0);
    d.Run("DT:0:1");
    for (int i = 0; i < 40; ++i) d.Run("DT:1", sim::millis(100));
    d.Run("DT:2");
    Write(root / "meter_config_replies" / "sim-dtmf", Replies(d.exchange, 1));
    all.push_back(d.exchange);

    Session t;
    t.fw.loadScenario(*sim::builtinScenario("call-progress"), 0);
    t.Run("TC:0:1:1000");
    for (int i = 0; i < 60; ++i) t.Run("TC:1", sim::millis(100));
    t.Run("TC:2");
    Write(root / "meter_config_replies" / "sim-trace", Replies(t.exchange, 3));
    all.push_back(t.exchange);
  }

  const std::string crlf = Image("\r\n", 6, 16);
  const std::string lf = Image("\n", 6, 16);
  Write(root / "srecord_file" / "crlf.mot", crlf);
  Write(root / "srecord_file" / "lf.mot", lf);
  Write(root / "srecord_file" / "lfcr.mot", Image("\n\r", 3, 32));
  Write(root / "srecord_file" / "long-lines.mot", Image("\r\n", 3, 120));
  Write(root / "srecord_file" / "no-last-end.mot", crlf.substr(0, crlf.size() - 2));

  for (const std::string& name : sim::builtinScenarioNames()) {
    if (auto text = sim::builtinText(name)) Write(root / "scenario_parser" / (name + ".scn"), std::string(*text));
  }

  for (std::size_t i = 0; i < all.size(); ++i) {
    // The commands alone, each kind a few times.
    Exchange few;
    std::map<std::string, int> seen;
    for (const auto& exchange : all[i])
      if (++seen[exchange.first] <= 3) few.push_back(exchange);
    Write(root / "firmware_commands" / ("sim-commands-" + std::to_string(i)), Commands(few));
  }
  Exchange download;
  for (std::size_t at = 0, next; at < crlf.size(); at = next) {
    next = crlf.find('\n', at) + 1;
    download.emplace_back("DA:0:" + crlf.substr(at, next - at), "");
  }
  download.emplace_back("DA:0:SX", "");
  Write(root / "firmware_commands" / "sim-download", Commands(download));
  return 0;
}
