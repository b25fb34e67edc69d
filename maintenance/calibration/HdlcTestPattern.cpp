#include "maintenance/calibration/HdlcTestPattern.h"

#include <mutex>

#include "link/store/CaptBuf.h"
#include "link/store/CaptureHeader.h"
#include "link/store/HdlcProcessor.h"

namespace {

constexpr UCHAR kFlag = 0x7E;
constexpr int kLeadFlags = 16;

// Bits into bytes, least significant first.
class BitWriter {
 public:
  void Bit(bool one) {
    if (one) current_ |= static_cast<UCHAR>(1u << used_);
    if (++used_ == 8) {
      bytes_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }
  void Byte(UCHAR byte) {
    for (int bit = 0; bit < 8; ++bit) Bit(((byte >> bit) & 1) != 0);
  }
  int Used() const { return used_; }
  std::vector<UCHAR> Take() { return std::move(bytes_); }

 private:
  std::vector<UCHAR> bytes_;
  UCHAR current_ = 0;
  int used_ = 0;
};

}  // namespace

std::vector<UCHAR> BuildHdlcTestPattern() {
  BitWriter out;
  for (int i = 0; i < kLeadFlags; ++i) out.Byte(kFlag);
  int ones = 0;
  for (int value = 0; value < 256; ++value) {
    for (int bit = 0; bit < 8; ++bit) {
      const bool one = ((value >> bit) & 1) != 0;
      out.Bit(one);
      ones = one ? ones + 1 : 0;
      if (ones == 5) {  // a zero after five ones keeps the data from looking like a flag
        out.Bit(false);
        ones = 0;
      }
    }
  }
  out.Byte(kFlag);
  // The rest of the last byte: the flag's bits again, as an idle line sends them.
  for (int bit = 0; out.Used() != 0; ++bit) out.Bit(((kFlag >> bit) & 1) != 0);
  return out.Take();
}

void StoreHdlcTestCapture(CORUData& store, CHDLCProcessor& processor, const std::string& date,
                          const std::string& time) {
  const std::vector<UCHAR> pattern = BuildHdlcTestPattern();
  store.WithCapture([&](CaptureScope& capture) {
    capture.Clear();
    processor.Reset();
    for (UCHAR byte : pattern) {
      CCaptBuf record(byte, CAPT_ANSWER, 0, 0);
      record.hdlcResult = processor.Feed(byte);
      record.hdlcByte = processor.outputByte;
      capture.captureBuffer().Add(record);
    }
    CORUCaptureHeader header;
    header.eventName = "HDLC Test";
    header.startDate = date;
    header.startTime = time;
    header.firstIndex = 0;
    header.byteCount = static_cast<LONG>(pattern.size());
    header.flags = EVENT_SYNC;
    capture.captureHeaders().Add(header);
  });
}
