#pragma once

// How a bus driver answers IRP_MN_QUERY_ID: the ids as a REG_MULTI_SZ block in paged pool, which
// the PnP manager frees.

#include <string>
#include <vector>

#include "platform/nt/Irp.h"

namespace nt {

// STATUS_SUCCESS with the block in the IRP's Information, STATUS_INSUFFICIENT_RESOURCES when
// the pool has no room, or `none` (the status the IRP carries) when there are no ids.
NTSTATUS AnswerQueryId(PIRP irp, const std::vector<std::u16string>& ids, NTSTATUS none, ULONG tag);

}  // namespace nt
