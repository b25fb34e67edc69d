#include "display/model/ModemEventWord.h"

#include <array>

namespace {

constexpr std::array<const char*, 8> kRates = {"1200 V.22/V.22bis", "2400 V.22bis", "4800 V.32/V.32bis",
                                               "7200 V.32bis",      "9600 V.32",    "9600 V.32/V.32bis",
                                               "12000 V.32bis",     "14400 V.32bis"};

constexpr std::array<const char*, 8> kClass2 = {"USB1 detected",   "SB1 detected",
                                                "S1 detected",     "V.32 preamble detected",
                                                "carrier lost",    "emergency retrain start",
                                                "retrain request", "rate negotiation request"};

constexpr std::array<const char*, 8> kClasses = {
    "", "2100Hz detected", "", "R1 received", "R2 received", "R3 received", "R4 received", "R5 received"};

constexpr std::array<const char*, 8> kSnr = {
    "SNR: not determined", "", "SNR: very bad", "SNR: bad", "SNR: poor", "SNR: normal", "SNR: good", "SNR: very good"};

constexpr std::array<const char*, 16> kStates = {"",
                                                 "Tx Idle/Rx waiting",
                                                 "Tx silence/Rx idle",
                                                 "transmit 2100 AnsTone",
                                                 "rate negotiation",
                                                 "",
                                                 "",
                                                 "",
                                                 "1200bps V.22/V.22bis",
                                                 "2400bps V.22",
                                                 "4800bps V.32/V.32bis",
                                                 "7200bps V.32bis",
                                                 "9600bps V.32",
                                                 "9600bps V.32/V.32bis",
                                                 "12000bps V.32bis",
                                                 "14400bps V.32bis"};

}  // namespace

CQSRRegister ModemEventRegister(UCHAR first, UCHAR second) {
  CQSRRegister word;
  word.value = (static_cast<ULONG>(first) << 8) | second;
  return word;
}

int EventClass(const CQSRRegister& word) { return static_cast<int>((word.value >> 13) & 7); }
int EventCode(const CQSRRegister& word) { return static_cast<int>((word.value >> 10) & 7); }
int SnrGrade(const CQSRRegister& word) { return static_cast<int>((word.value >> 4) & 7); }
int ModemState(const CQSRRegister& word) { return static_cast<int>(word.value & 0xF); }

ModemEventText DecodeModemEvent(const CQSRRegister& word) {
  ModemEventText text;
  const int eventClass = EventClass(word);
  const int code = EventCode(word);
  if (eventClass >= 3) text.rate = kRates[static_cast<std::size_t>(code)];
  text.event =
      eventClass == 2 ? kClass2[static_cast<std::size_t>(code)] : kClasses[static_cast<std::size_t>(eventClass)];
  text.snr = kSnr[static_cast<std::size_t>(SnrGrade(word))];
  text.state = kStates[static_cast<std::size_t>(ModemState(word))];
  return text;
}

std::string PaddedNumberRow(const char* label, long long number) {
  std::string digits = std::to_string(number);
  std::string row = label;
  row += digits;
  if (digits.size() < 5) row.append(5 - digits.size(), ' ');
  return row;
}
