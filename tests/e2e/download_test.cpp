#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ranges>

#include "WorkerRig.h"
#include "link/protocol/DownloadOutcome.h"
#include "tests/sim/SimTestSupport.h"

namespace e2e {
namespace {

using Texts = std::vector<std::string>;

// One Motorola S-record with its count and checksum, and its line end.
std::string SRecord(char type, int addressBytes, uint32_t address, const std::vector<uint8_t>& data,
                    bool breakChecksum = false) {
  std::string record = simtest::sRecord(type, address, addressBytes, data);
  if (breakChecksum) {
    char& digit = record[record.size() - 3];
    digit = digit == '0' ? '1' : '0';
  }
  return record;
}

std::vector<uint8_t> Payload(uint32_t seed) {
  std::vector<uint8_t> data(16);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(seed * 7 + i);
  return data;
}

// A header, `records` data records of 16 bytes from 0x1000 on, and the end record.
std::vector<std::string> Image(int records) {
  std::vector<std::string> lines = {SRecord('0', 2, 0, {'O', 'R', 'U'})};
  for (int i = 0; i < records; ++i) lines.push_back(SRecord('2', 3, 0x1000 + 16 * i, Payload(i)));
  lines.push_back(SRecord('8', 3, 0x1000, {}));
  return lines;
}

class Download : public WorkerRig {
 protected:
  void SetUp() override {
    WorkerRig::SetUp();
    Plug(PerCommandOptions(10));
    StartFrame();
    StartWorker();
    ConnectNotifications();
    notes.Clear();
  }
  void TearDown() override {
    WorkerRig::TearDown();
    std::filesystem::remove(path_);
  }
  std::string WriteFile(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary) << bytes;
    store.downloadFilePath.Set(path_.string());
    return bytes;
  }
  static std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line;
    return all;
  }
  Texts DaCommands() {
    Texts da;
    for (const std::string& c : Commands(Instrument()))
      if (c.starts_with("DA:")) da.push_back(c);
    return da;
  }
  bool ImageComplete() {
    return Instrument().withFirmware([](sim::Firmware& f) { return f.loader().imageComplete(); });
  }
  void RunDownload() {
    Post(WM_ORU_DOWNLOAD_FIRMWARE);
    ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  }
  // How the last download ended, as its 2058 says: the outcome and the line it names.
  std::pair<DownloadOutcome, LPARAM> Outcome() {
    for (const MSG& m : notes.Messages() | std::views::reverse)
      if (m.message == WM_ORU_DOWNLOAD_FIRMWARE) return {static_cast<DownloadOutcome>(m.wParam), m.lParam};
    return {DownloadOutcome::Done, -1};
  }

  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("e2e_firmware_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".mot");
};

TEST_F(Download, AWholeImageWithProgressAndASkippedRecord) {
  std::vector<std::string> lines = Image(40);
  const std::string high = SRecord('2', 3, 0xFBFF8, Payload(99));
  lines.insert(lines.begin() + 20, high);
  const std::string file = WriteFile(Join(lines));
  RunDownload();

  EXPECT_EQ(store.resyncPending, 1);
  EXPECT_TRUE(ImageComplete());
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.loader().image().at(0x1000 + 16 * 39 + 15); }),
            Payload(39)[15]);
  // Every line but the high one went out, each as one command with its line end.
  Texts expected;
  for (const std::string& line : lines)
    if (line != high) expected.push_back("DA:0:" + line);
  EXPECT_EQ(DaCommands(), expected);
  // Progress after every line, the skipped one included, up to the whole file.
  const std::vector<MSG> messages = notes.Messages();
  std::vector<MSG> progress;
  for (const MSG& m : messages)
    if (m.message == WM_ORU_DOWNLOAD_PROGRESS) progress.push_back(m);
  ASSERT_EQ(progress.size(), lines.size());
  WPARAM sent = 0;
  for (std::size_t i = 0; i < progress.size(); ++i) {
    sent += lines[i].size();
    EXPECT_EQ(progress[i].wParam, sent);
    EXPECT_EQ(progress[i].lParam, static_cast<LPARAM>(file.size()));
  }
  EXPECT_EQ(messages.back().message, WM_ORU_DOWNLOAD_FIRMWARE);
  EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::Done, LPARAM{0}));
  // The end record is not answered: nothing is read after it.
  const Texts traffic = Traffic(Instrument());
  EXPECT_EQ(traffic.back(), "DA:0:" + lines.back());
}

TEST_F(Download, AnAbortRequestEndsTheDownloadAtOnce) {
  WriteFile(Join(Image(3000)));
  Post(WM_ORU_DOWNLOAD_FIRMWARE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_PROGRESS, kHangMs));
  Post(WM_ORU_ABORT_DOWNLOAD);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  const Texts da = DaCommands();
  EXPECT_EQ(da.back(), "DA:0:SX");
  EXPECT_LT(da.size(), 3002u);
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_FALSE(ImageComplete());
  EXPECT_EQ(Instrument().withFirmware([](sim::Firmware& f) { return f.loader().recordsAccepted(); }), 0u);
}

TEST_F(Download, ARefusedRecordStopsItAndFails) {
  std::vector<std::string> lines = Image(10);
  lines[5] = SRecord('2', 3, 0x1040, Payload(4), true);
  WriteFile(Join(lines));
  RunDownload();
  Texts expected;
  for (int i = 0; i <= 5; ++i) expected.push_back("DA:0:" + lines[static_cast<std::size_t>(i)]);
  expected.push_back("DA:0:SX");
  EXPECT_EQ(DaCommands(), expected);
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_FALSE(ImageComplete());
  EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::Refused, LPARAM{6}));
}

TEST_F(Download, MalformedFilesFail) {
  // A line that never ends within the buffer, after a good header.
  WriteFile(Image(1)[0] + std::string(300, '0') + "\r\n");
  RunDownload();
  EXPECT_EQ(DaCommands(), (Texts{"DA:0:" + Image(1)[0], "DA:0:SX"}));
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::NotSRecords, LPARAM{2}));

  // Unix line ends end lines too: each record goes out with CR LF and the image loads.
  notes.Clear();
  std::string unix;
  for (std::string line : Image(20)) unix += line.substr(0, line.size() - 2) + "\n";
  WriteFile(unix);
  RunDownload();
  EXPECT_EQ(DaCommands().back(), "DA:0:" + Image(20).back());
  EXPECT_EQ(DaCommands().size(), 2u + 22u);
  EXPECT_EQ(store.resyncPending, 1);
  store.resyncPending = 0;

  // Nothing to send at all.
  notes.Clear();
  WriteFile(SRecord('2', 3, 0xFC000, Payload(1)));
  RunDownload();
  EXPECT_EQ(DaCommands().size(), 2u + 22u);
  EXPECT_EQ(notes.Count(WM_ORU_DOWNLOAD_PROGRESS), 1u);
  EXPECT_EQ(store.resyncPending, 0);
  EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::NothingToSend, LPARAM{0}));

  // A file that does not open, and a FIFO without a writer, which is not waited on.
  const std::string fifo = path_.string() + ".fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {path_.string() + ".none", fifo}) {
    notes.Clear();
    store.downloadFilePath.Set(path);
    RunDownload();
    EXPECT_EQ(DaCommands().size(), 2u + 22u);
    EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::NoFile, LPARAM{0}));
  }
  std::filesystem::remove(fifo);
}

// Text that is no S-record never reaches the loader: the download stops at its line, and what
// went before is dropped. Blank lines are passed over.
TEST_F(Download, TextThatIsNoRecordStopsItAtItsLine) {
  std::vector<std::string> lines = Image(4);
  lines.insert(lines.begin() + 2, "\r\n");
  WriteFile(Join(lines));
  RunDownload();
  EXPECT_EQ(DaCommands().size(), lines.size() - 1);
  EXPECT_TRUE(ImageComplete());
  EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::Done, LPARAM{0}));
  store.resyncPending = 0;

  for (const std::string bad : {"hello world\r\n", "S2 14 001000\r\n", "S214001G\r\n", "S\r\n", "S21\r\n"}) {
    SCOPED_TRACE(bad);
    const std::size_t before = DaCommands().size();
    notes.Clear();
    lines = Image(4);
    lines.insert(lines.begin() + 3, bad);
    WriteFile(Join(lines));
    RunDownload();
    const Texts da = DaCommands();
    EXPECT_EQ(Texts(da.begin() + static_cast<std::ptrdiff_t>(before), da.end()),
              (Texts{"DA:0:" + lines[0], "DA:0:" + lines[1], "DA:0:" + lines[2], "DA:0:SX"}));
    EXPECT_EQ(Outcome(), std::pair(DownloadOutcome::NotSRecords, LPARAM{4}));
    EXPECT_EQ(store.resyncPending, 0);
  }
}

TEST_F(Download, ALastLineWithoutItsLineEndIsStillSent) {
  std::vector<std::string> lines = Image(3);
  std::string last = lines.back();
  last.resize(last.size() - 2);
  lines.back() = last;
  WriteFile(Join(lines));
  RunDownload();
  EXPECT_EQ(DaCommands().back(), "DA:0:" + last);
  EXPECT_TRUE(ImageComplete());
  EXPECT_EQ(store.resyncPending, 1);
}

TEST_F(Download, ExitDuringADownloadStopsItWithinTheBound) {
  WriteFile(Join(Image(3000)));
  Post(WM_ORU_DOWNLOAD_FIRMWARE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_PROGRESS, kHangMs));
  EXPECT_TRUE(StopWorker());
  EXPECT_EQ(DaCommands().back(), "DA:0:SX");
  EXPECT_EQ(context.deviceHandle.load(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(context.commThreadId, 0u);
}

}  // namespace
}  // namespace e2e
