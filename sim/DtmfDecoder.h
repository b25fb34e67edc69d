#pragma once

// The DTMF decoder: "DT:0:line" starts it on a line ("dt:0:1"; "dt:0:0", and stopped, when the
// line does not exist), "DT:1" answers "dt:1:<digits decoded since the last poll>" (possibly none; more than
// fit one reply wait for the next poll), "DT:2" stops it ("dt:2"). "DT:1" while stopped answers
// "dt:2". A digit is decoded 40 ms after it starts sounding.

#include <string>

#include "sim/LineModel.h"

namespace sim {

class DtmfDecoder {
 public:
  explicit DtmfDecoder(const LineModel& line) : line_(line) {}

  std::string start(int line, Micros now);
  std::string poll(Micros now);
  std::string stop();
  bool running() const { return lineNo_ != 0; }

 private:
  const LineModel& line_;
  int lineNo_ = 0;
  Micros since_ = 0;
  std::string pending_;
};

}  // namespace sim
