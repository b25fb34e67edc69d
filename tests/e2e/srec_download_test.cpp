// Firmware files made by srec_cat (Debian's srecord), 24-bit addresses, sent through the whole
// stack: the instrument must hold exactly the image srec_cat reads back from each file, and the
// progress must count up to the file's length.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "WorkerRig.h"
#include "link/protocol/SRecordLine.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

struct Piece {
  uint32_t address;
  std::size_t bytes;
};

struct SrecFile {
  const char* name;
  std::vector<Piece> pieces;
  int blockSize = 0;       // data bytes per record; 0: srec_cat's default
  std::string header;      // S0 text; empty: srec_cat's default
  bool crlf = true;        // else srec_cat's default LF line ends
  std::size_t lineLength;  // the longest S2 line with its CR LF, as made (0: not checked)
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command; its standard output, and whether it succeeded.
bool Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  if (output != nullptr) *output = std::move(out);
  return status == 0;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The image srec_cat reads from `file` (below `limit`): the bytes of `-binary` output at the
// addresses srec_info names as data.
std::map<uint32_t, uint8_t> SrecImage(const fs::path& file, uint32_t limit) {
  const std::string crop = " -crop 0 " + Hex(limit);
  std::string binary, info;
  EXPECT_TRUE(Shell("srec_cat " + file.string() + crop + " -o - -binary", &binary));
  EXPECT_TRUE(Shell("srec_cat " + file.string() + crop + " -o - -motorola -address-length=3 | srec_info -", &info));
  std::map<uint32_t, uint8_t> image;
  std::istringstream lines(info);
  bool data = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Data:")) {
      data = true;
      line = line.substr(5);
    } else if (!data || line.empty() || line[0] != ' ') {
      continue;
    }
    unsigned first = 0, last = 0;
    if (std::sscanf(line.c_str(), " %x - %x", &first, &last) != 2) continue;
    for (uint32_t a = first; a <= last; ++a) image[a] = static_cast<uint8_t>(binary.at(a));
  }
  return image;
}

class SrecDownload : public WorkerRig, public ::testing::WithParamInterface<SrecFile> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Shell("srec_cat -version >/dev/null 2>&1")) << "srec_cat is missing: run scripts/setup.sh";
    WorkerRig::SetUp();
    Plug(PerCommandOptions(1));
    StartFrame();
    StartWorker();
    ConnectNotifications();
    notes.Clear();
    fs::create_directories(dir_);
  }
  void TearDown() override {
    WorkerRig::TearDown();
    fs::remove_all(dir_);
  }

  // Makes the file with srec_cat from pseudo-random pieces.
  fs::path Make(const SrecFile& spec) {
    std::string command = "srec_cat";
    uint32_t seed = 0x2545F491u;
    for (std::size_t i = 0; i < spec.pieces.size(); ++i) {
      std::string bytes(spec.pieces[i].bytes, '\0');
      for (char& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<char>(seed >> 16);
      }
      const fs::path piece = dir_ / ("piece" + std::to_string(i) + ".bin");
      std::ofstream(piece, std::ios::binary) << bytes;
      command += " " + piece.string() + " -binary -offset " + Hex(spec.pieces[i].address);
    }
    const fs::path file = dir_ / (std::string(spec.name) + ".mot");
    command += " -o " + file.string() + " -motorola -address-length=3 -execution-start-address " +
               Hex(spec.pieces.front().address);
    if (spec.blockSize != 0) command += " -output-block-size=" + std::to_string(spec.blockSize);
    if (!spec.header.empty()) command += " -header '" + spec.header + "'";
    if (spec.crlf) command += " -crlf";
    EXPECT_TRUE(Shell(command)) << command;
    return file;
  }

  fs::path dir_ = fs::temp_directory_path() / ("e2e_srec_" + std::to_string(::getpid()) + "_" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// The file's lines as the file holds them.
std::vector<std::string> FileLines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(at, end - at));
    at = end;
  }
  return lines;
}

TEST_P(SrecDownload, TheInstrumentHoldsSrecCatsImage) {
  const SrecFile& spec = GetParam();
  const fs::path path = Make(spec);
  const std::string file = ReadAll(path);
  ASSERT_FALSE(file.empty());
  const std::vector<std::string> lines = FileLines(file);
  ASSERT_TRUE(lines.front().starts_with("S0") && lines.back().starts_with("S8")) << lines.back();
  EXPECT_EQ(file.find('\r') != std::string::npos, spec.crlf);

  // What the download may send: records that end below the limit; the first that does not
  // bounds the expected image.
  uint32_t limit = 0x100000;
  std::size_t longest = 0;
  std::size_t skipped = 0;
  for (const std::string& line : lines) {
    if (!line.starts_with("S2")) continue;
    const std::size_t length = line.size() + (spec.crlf ? 0 : 1);
    longest = std::max(longest, length);
    bool needsReply = false;
    if (SRecordAddress(line, needsReply) >= kFirmwareAddressLimit) {
      limit = std::min(limit, static_cast<uint32_t>(std::stoul(line.substr(4, 6), nullptr, 16)));
      ++skipped;
    }
  }
  if (std::string(spec.name) == "CrossesTheLimit") {
    EXPECT_GT(skipped, 0u);
  }
  if (spec.lineLength != 0) {
    EXPECT_EQ(longest, spec.lineLength);
  }
  if (!spec.header.empty()) {
    EXPECT_EQ(lines.front().size(), 10 + 2 * spec.header.size() + (spec.crlf ? 2 : 1));
  }
  const std::map<uint32_t, uint8_t> expected = SrecImage(path, limit);
  ASSERT_FALSE(expected.empty());

  store.downloadFilePath.Set(path.string());
  Post(WM_ORU_DOWNLOAD_FIRMWARE);
  ASSERT_TRUE(notes.WaitForMessage(WM_ORU_DOWNLOAD_FIRMWARE, kHangMs));
  EXPECT_EQ(store.resyncPending, 1);

  EXPECT_TRUE(Instrument().withFirmware([](sim::Firmware& f) { return f.loader().imageComplete(); }));
  const auto image = Instrument().withFirmware([](sim::Firmware& f) { return f.loader().image(); });
  EXPECT_EQ(image.size(), expected.size());
  EXPECT_TRUE(image == expected);

  // One command per line sent, each ending CR LF as the instrument receives lines, and no
  // refusal anywhere.
  std::size_t sent = 0;
  for (const std::string& command : Commands(Instrument())) {
    if (!command.starts_with("DA:")) continue;
    EXPECT_TRUE(command.ends_with("\r\n")) << command;
    ++sent;
  }
  EXPECT_EQ(sent, lines.size() - skipped);
  for (const std::string& reply : Instrument().transcript().replies()) EXPECT_FALSE(reply.starts_with("da:e")) << reply;

  // Progress after every line, skipped ones too, up to the file's length.
  std::vector<MSG> progress;
  for (const MSG& m : notes.Messages())
    if (m.message == WM_ORU_DOWNLOAD_PROGRESS) progress.push_back(m);
  ASSERT_EQ(progress.size(), lines.size());
  WPARAM bytes = 0;
  for (std::size_t i = 0; i < progress.size(); ++i) {
    bytes += lines[i].size();
    EXPECT_EQ(progress[i].wParam, bytes) << i;
    EXPECT_EQ(progress[i].lParam, static_cast<LPARAM>(file.size()));
  }
}

const std::vector<Piece> k4KiB = {{0, 4096}};

INSTANTIATE_TEST_SUITE_P(Files, SrecDownload,
                         ::testing::Values(SrecFile{"Line46", k4KiB, 16, "", true, 46},
                                           SrecFile{"Line60", k4KiB, 23, "", true, 60},
                                           SrecFile{"Line78", k4KiB, 0, "", true, 78},
                                           SrecFile{"Line252", k4KiB, 119, "", true, 252},
                                           SrecFile{"Line254", k4KiB, 120, "", true, 254},
                                           SrecFile{"Line60LfEnds", k4KiB, 23, "", false, 60},
                                           SrecFile{"Line254LfEnds", k4KiB, 120, "", false, 254},
                                           SrecFile{"DefaultsLfEnds", k4KiB, 0, "", false, 78},
                                           SrecFile{"Header23", k4KiB, 0, "HEADER-TEXT-OF-23-CHARS", true, 0},
                                           SrecFile{"Header24", k4KiB, 0, "HEADER-TEXT-OF-24-CHARS!", true, 0},
                                           SrecFile{"Header24LfEnds", k4KiB, 0, "HEADER-TEXT-OF-24-CHARS!", false, 0},
                                           SrecFile{"TwoPieces", {{0x100, 700}, {0x20000, 1500}}, 0, "", true, 0},
                                           SrecFile{"CrossesTheLimit", {{0xFBE00, 1024}}, 0, "", false, 0},
                                           SrecFile{"Image256KiB", {{0, 256 * 1024}}, 0, "", false, 78}),
                         [](const ::testing::TestParamInfo<SrecFile>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
