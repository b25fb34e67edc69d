#include "tests/display/DisplayTestData.h"

#include "link/store/ModemEventPairing.h"
#include "link/store/LinkAccess.h"

namespace displaytest {

void DefaultViewSettings(AppSettings& s) {
  s.viewType = ViewType::Ascii;
  s.answerColor = kDefaultAnswerColor;
  s.answerTextColor = kBlack;
  s.answerShade = ShadeColor(kDefaultAnswerColor);
  s.originateColor = kDefaultOriginateColor;
  s.originateTextColor = kBlack;
  s.originateShade = ShadeColor(kDefaultOriginateColor);
  s.markerColor = kDefaultMarkerColor;
  s.markerTextColor = kWhite;
}

void AddByte(CORUData& store, UCHAR data, bool answer, ULONG seconds, ULONG fraction) {
  LinkFields(store).captureBuffer.Add(CCaptBuf(data, answer ? CAPT_ANSWER : 0, fraction, seconds));
}

void AddModemEvent(CORUData& store, UCHAR first, UCHAR second, bool answer) {
  auto& fields = LinkFields(store);
  int state = fields.hdlcState;
  for (UCHAR byte : {first, second}) {
    CCaptBuf record(byte, static_cast<UCHAR>(CAPT_MODEM_EVENT | (answer ? CAPT_ANSWER : 0)), 0, 0);
    PairModemEvent(record, state);
    fields.captureBuffer.Add(record);
  }
  fields.hdlcState = state;
}

void AddEvent(CORUData& store, bool sync, const std::string& name) {
  CORUCaptureHeader header;
  header.eventName = name;
  header.startDate = "12/09/26";
  header.startTime = "10:11:12";
  header.firstIndex = LinkFields(store).captureBuffer.GetSize();
  header.flags = sync ? EVENT_SYNC : 0;
  LinkFields(store).captureHeaders.Add(header);
}

void UpdateLastCount(CORUData& store) {
  auto& fields = LinkFields(store);
  const int last = fields.captureHeaders.GetSize() - 1;
  if (last < 0) return;
  fields.captureHeaders[last].byteCount = fields.captureBuffer.GetSize() - fields.captureHeaders[last].firstIndex;
}

std::vector<UCHAR> HdlcLine(const std::vector<UCHAR>& payload) {
  std::vector<bool> bits;
  auto flag = [&] {
    for (int b = 0; b < 8; ++b) bits.push_back(((0x7E >> b) & 1) != 0);
  };
  flag();
  int ones = 0;
  for (UCHAR byte : payload) {
    for (int b = 0; b < 8; ++b) {
      const bool one = ((byte >> b) & 1) != 0;
      bits.push_back(one);
      ones = one ? ones + 1 : 0;
      if (ones == 5) {
        bits.push_back(false);
        ones = 0;
      }
    }
  }
  flag();
  while (bits.size() % 8 != 0) bits.push_back(false);
  std::vector<UCHAR> line;
  for (std::size_t at = 0; at < bits.size(); at += 8) {
    UCHAR byte = 0;
    for (int b = 0; b < 8; ++b) byte |= static_cast<UCHAR>(bits[at + static_cast<std::size_t>(b)] ? 1 << b : 0);
    line.push_back(byte);
  }
  return line;
}

}  // namespace displaytest
