#include "link/protocol/CalibrationCommands.h"

#include "link/protocol/DecimalText.h"
#include "link/protocol/WorkerMessages.h"

bool IsDcStepMask(int mask) { return (mask & (1 | 2 | 4)) != 0; }
bool IsAcStepMask(int mask) { return (mask & (8 | 16)) != 0; }

CCalFactor* CalibrationCommands::FactorsOf(CORUData& store, int line) {
  return store.WithData([line](DataScope& data) { return data.calFactor(line); });
}

int CalibrationCommands::SendOne(const std::string& command) {
  if (!transport_.SendCommand(command)) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  return transport_.replyText.starts_with("lc:") ? 1 : 0;
}

int CalibrationCommands::SendGroups(int line, int mask, bool neutral) {
  const CCalFactor* factors = FactorsOf(transport_.Store(), line);
  if (factors == nullptr) return 0;
  const std::string prefix = "LC:" + std::to_string(line);
  int sent = 0;
  int ok = 1;
  if (IsDcStepMask(mask)) {
    const LONG offset = neutral ? 0 : factors->dcOffset;
    const LONG gain = neutral ? 1024 : factors->dcGain;
    ok &= SendOne(prefix + ":0:" + std::to_string(offset) + ":" + std::to_string(gain));
    ++sent;
  }
  if (IsAcStepMask(mask)) {
    const LONG offset = neutral ? 0 : factors->acOffset;
    const LONG gain = neutral ? 1024 : factors->acGain;
    ok &= SendOne(prefix + ":1:" + std::to_string(offset) + ":" + std::to_string(gain));
    ++sent;
  }
  return sent > 0 ? ok : 0;
}

int CalibrationCommands::SendFactors(int line, int mask) { return SendGroups(line, mask, false); }

int CalibrationCommands::ResetFactors(int line, int mask) { return SendGroups(line, mask, true); }

int CalibrationCommands::StoreFactors() { return SendOne("LC:0"); }

bool ParseFactorsReply(std::string_view reply, bool dc, CCalFactor& factors) {
  if (!reply.starts_with("rc:")) return false;
  const auto fields = SplitFields(reply.substr(3));
  if (fields.size() < 3) return false;
  const auto gain = ParseDecimalInteger(fields[0]);
  const auto offset = ParseDecimalInteger(fields[1]);
  const auto extra = ParseDecimalReal(fields[2]);
  if (!gain || !offset || !extra) return false;
  if (dc) {
    factors.dcGain = static_cast<LONG>(*gain);
    factors.dcOffset = static_cast<LONG>(*offset);
    factors.dcExtra = *extra;
  } else {
    factors.acGain = static_cast<LONG>(*gain);
    factors.acOffset = static_cast<LONG>(*offset);
    factors.acExtra = *extra;
  }
  return true;
}

int CalibrationCommands::ReadFactors(int line, int mask) {
  if (FactorsOf(transport_.Store(), line) == nullptr) return 0;
  const bool dc = IsDcStepMask(mask);
  if (!dc && !IsAcStepMask(mask)) return 0;
  if (!transport_.SendCommand("RC:" + std::to_string(line) + (dc ? ":0" : ":1"))) return 0;
  if (!transport_.ReadReply(kReplyTimeoutMs)) return 0;
  // The windows read the factors under the store's lock.
  const bool parsed = transport_.Store().WithData(
      [&](DataScope& data) { return ParseFactorsReply(transport_.replyText, dc, *data.calFactor(line)); });
  if (!parsed) return 0;
  transport_.Notify(WM_ORU_GET_CAL_FACTORS, static_cast<WPARAM>(line), static_cast<LPARAM>(mask));
  return 1;
}
