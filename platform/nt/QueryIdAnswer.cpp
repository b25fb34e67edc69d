#include "platform/nt/QueryIdAnswer.h"

#include <cstring>

#include "platform/nt/NtStatus.h"
#include "platform/nt/Pool.h"

namespace nt {

NTSTATUS AnswerQueryId(PIRP irp, const std::vector<std::u16string>& ids, NTSTATUS none, ULONG tag) {
  if (ids.empty()) return none;
  std::size_t chars = 1;
  for (const auto& s : ids) chars += s.size() + 1;
  auto block = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, chars * sizeof(WCHAR), tag));
  if (!block) return STATUS_INSUFFICIENT_RESOURCES;
  PWCHAR at = block;
  for (const auto& s : ids) {
    std::memcpy(at, s.data(), s.size() * sizeof(WCHAR));
    at += s.size();
    *at++ = 0;
  }
  *at = 0;
  irp->IoStatus.Information = reinterpret_cast<ULONG_PTR>(block);
  return STATUS_SUCCESS;
}

}  // namespace nt
