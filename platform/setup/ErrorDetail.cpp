#include "platform/setup/ErrorDetail.h"

namespace setup {

namespace {

thread_local std::string lastDetail;

}  // namespace

void SetLastErrorDetail(std::string text) { lastDetail = std::move(text); }

const std::string& LastErrorDetail() { return lastDetail; }

}  // namespace setup
