#pragma once

// Why the thread's last setup call failed, in words, where its error code alone would lose the
// reason (the line of an INF that is refused, the file the state could not be written to). The
// calls that know more clear it when they start and set it when they fail.

#include <string>

namespace setup {

void SetLastErrorDetail(std::string text);
const std::string& LastErrorDetail();

}  // namespace setup
