// Fuzz target for the firmware file reader: the input is a firmware file, read line by line as
// the download reads it, each line then run through the download's address rule and the
// simulated instrument's record loader. Nothing may crash; the lines must give back the file
// byte for byte (a lone LF standing as CR LF), none may outgrow the line buffer, and a record
// the address rule lets through must not be refused by the loader for its address.

#include <stdio.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzWorker.h"
#include "link/protocol/SRecordFile.h"
#include "link/protocol/SRecordLine.h"
#include "sim/FirmwareLoader.h"

namespace {

// The line as it stood in the file: a CR LF made from a lone LF goes back to the LF.
std::string AsInFile(const std::string& line, std::size_t fileBytes) {
  if (line.size() == fileBytes + 1 && line.ends_with("\r\n")) return line.substr(0, line.size() - 2) + "\n";
  return line;
}

void CheckLine(sim::FirmwareLoader& loader, const std::string& line) {
  bool needsReply = false;
  const ULONG address = SRecordAddress(line, needsReply);
  const std::string answer = loader.load(line);
  Require(answer.starts_with("da:"));
  if (line.starts_with("S2")) {
    Require(needsReply);
    if (address < kFirmwareAddressLimit) Require(answer != "da:e:3");
  }
  if (answer == "da:2:1" && line.starts_with("S2")) Require(address < kFirmwareAddressLimit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  SRecordFile file;
  Require(file.Open(fmemopen(bytes.data(), bytes.size(), "rb")));
  Require(file.Length() == static_cast<long>(size));
  sim::FirmwareLoader loader;
  std::string again;
  for (;;) {
    const SRecordFile::Step step = file.Next();
    const std::string& line = file.Line();
    Require(line.size() <= SRecordFile::kLineCapacity);
    if (step == SRecordFile::Step::TooLong) {
      Require(line.size() >= SRecordFile::kLineCapacity - 1);
      Require(std::string_view(bytes).substr(again.size()).starts_with(line.substr(0, line.size() - 1)));
      return 0;
    }
    if (step == SRecordFile::Step::Line) {
      Require(line.ends_with("\r\n") || line.ends_with("\n\r"));
      Require(line.find('\n') >= line.size() - 2);
      again += AsInFile(line, file.LineFileBytes());
      CheckLine(loader, line);
    }
    if (step == SRecordFile::Step::End) {
      Require(line.find('\n') == std::string::npos);
      again += line;
      if (!line.empty()) CheckLine(loader, line);
      break;
    }
  }
  Require(again == bytes);
  return 0;
}
