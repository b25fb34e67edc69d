#include "shell/model/IdlePacing.h"

int IdleUpdateDelayMs(std::int64_t sinceLastRunMs) {
  if (sinceLastRunMs < 0 || sinceLastRunMs >= kIdleUpdateMinIntervalMs) return 0;
  return kIdleUpdateMinIntervalMs - static_cast<int>(sinceLastRunMs);
}
