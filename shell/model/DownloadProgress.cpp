#include "shell/model/DownloadProgress.h"

#include <algorithm>

int ProgressPercent(std::uint32_t done, std::uint32_t total) {
  if (total == 0) return 0;
  const std::uint32_t scaled = done * 100u;  // wraps as the 32-bit product does
  return static_cast<int>(static_cast<double>(scaled) / static_cast<double>(total));
}

std::string ProgressText(int percent) { return std::to_string(percent) + "% complete"; }

int ProgressSplitX(int left, int width, int percent) {
  if (percent >= 100) return left;
  const int split = left + static_cast<int>(static_cast<long long>(width) * std::max(percent, 0) / 100);
  return std::min(split, left + width);
}

std::optional<DownloadFailure> DownloadFailureText(DownloadOutcome outcome, int line, std::string_view fileName) {
  const std::string file(fileName);
  const std::string at = std::to_string(line);
  std::string text;
  switch (outcome) {
    case DownloadOutcome::Done:
    case DownloadOutcome::Aborted:
      return std::nullopt;
    case DownloadOutcome::NoFile:
      text = "Unable to open the ORUpc application file " + file + ".";
      break;
    case DownloadOutcome::NotSRecords:
      text = file + " is not an ORUpc application file:\nline " + at +
             " is not a Motorola S-record.\nThe download was stopped.";
      break;
    case DownloadOutcome::NothingToSend:
      text = file + " holds no record for the ORUpc.\nNothing was loaded.";
      break;
    case DownloadOutcome::Refused:
      text = "The ORUpc refused line " + at + " of " + file + ".\nThe download was stopped.";
      break;
    case DownloadOutcome::InstrumentLost:
      text = "The connection to the ORUpc was lost at line " + at + " of " + file + ".\nThe download was stopped.";
      break;
  }
  return DownloadFailure{"Load ORU Application", text};
}
