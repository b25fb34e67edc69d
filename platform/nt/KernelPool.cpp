#include "platform/nt/KernelPool.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/nt/ObjectTable.h"

namespace nt {

Pool::Pool(Kernel& kernel) : kernel_(kernel) {}

bool Pool::injectFailure(ULONG tag) {
  bool fail = std::find(failingTags_.begin(), failingTags_.end(), tag) != failingTags_.end();
  for (auto it = nthFailures_.begin(); it != nthFailures_.end();) {
    if (it->tag == 0 || it->tag == tag) {
      if (--it->remaining == 0) {
        fail = true;
        it = nthFailures_.erase(it);
        continue;
      }
    }
    ++it;
  }
  return fail;
}

void* Pool::allocate(POOL_TYPE type, SIZE_T size, ULONG tag, PDRIVER_OBJECT owner) {
  {
    std::lock_guard lock(mutex_);
    TagUsage& usage = tags_[tag];
    usage.tag = tag;
    if (injectFailure(tag)) {
      usage.failures++;
      return nullptr;
    }
    usage.allocations++;
    usage.liveBlocks++;
    usage.liveBytes += size;
  }
  void* p = ObjectTable::allocate(size);
  std::memset(p, 0xCD, size);
  ObjectTable::add(p, size, BlockOwner{&kernel_, tag});
  std::lock_guard lock(mutex_);
  blocks_[p] = Block{p, tag, size, type, owner};
  return p;
}

bool Pool::free(const void* block, bool keepUntilEnd) {
  {
    std::lock_guard lock(mutex_);
    auto it = blocks_.find(block);
    if (it == blocks_.end()) return false;
    TagUsage& usage = tags_[it->second.tag];
    usage.liveBlocks--;
    usage.liveBytes -= it->second.size;
    blocks_.erase(it);
  }
  ObjectTable::retire(block, !keepUntilEnd);
  return true;
}

void Pool::failNth(unsigned n, ULONG tag) {
  if (n == 0) return;
  std::lock_guard lock(mutex_);
  nthFailures_.push_back({n, tag});
}

void Pool::failTag(ULONG tag) {
  std::lock_guard lock(mutex_);
  failingTags_.push_back(tag);
}

void Pool::clearFailures() {
  std::lock_guard lock(mutex_);
  nthFailures_.clear();
  failingTags_.clear();
}

Pool::TagUsage Pool::usage(ULONG tag) const {
  std::lock_guard lock(mutex_);
  auto it = tags_.find(tag);
  if (it == tags_.end()) return TagUsage{tag};
  return it->second;
}

std::vector<Pool::TagUsage> Pool::usage() const {
  std::lock_guard lock(mutex_);
  std::vector<TagUsage> out;
  for (const auto& [tag, usage] : tags_) out.push_back(usage);
  return out;
}

std::size_t Pool::liveBlockCount() const {
  std::lock_guard lock(mutex_);
  return blocks_.size();
}

std::vector<Pool::Block> Pool::liveBlocks(PDRIVER_OBJECT owner, bool all) const {
  std::lock_guard lock(mutex_);
  std::vector<Block> out;
  for (const auto& [p, block] : blocks_) {
    if (all || block.owner == owner) out.push_back(block);
  }
  return out;
}

std::string Pool::tagText(ULONG tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
    text += (c >= 0x20 && c < 0x7F) ? c : '.';
  }
  return text;
}

std::string Pool::describe(const std::vector<Block>& blocks) {
  std::map<ULONG, std::pair<std::size_t, std::size_t>> perTag;
  for (const auto& b : blocks) {
    perTag[b.tag].first++;
    perTag[b.tag].second += b.size;
  }
  std::string text;
  for (const auto& [tag, counts] : perTag) {
    if (!text.empty()) text += "; ";
    text += "tag '" + tagText(tag) + "' (0x";
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(tag));
    text += hex;
    text += "): " + std::to_string(counts.first) + " block(s), " + std::to_string(counts.second) + " bytes";
  }
  return text;
}

}  // namespace nt
