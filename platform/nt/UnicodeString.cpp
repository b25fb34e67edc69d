#include "platform/nt/UnicodeString.h"

#include <algorithm>
#include <cstring>

#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/Pool.h"

namespace nt {

namespace {
constexpr ULONG kStringTag = poolTag("Strg");

char16_t fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }
}  // namespace

std::u16string toU16(PCUNICODE_STRING s) {
  if (!s || !s->Buffer) return {};
  return std::u16string(s->Buffer, s->Length / sizeof(WCHAR));
}

std::u16string widen(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (char c : ascii) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string foldedName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) c = fold(c);
  return out;
}

bool namesEqual(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

bool allocateUnicodeString(PUNICODE_STRING destination, std::u16string_view text) {
  std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
  auto buffer = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, bytes, kStringTag));
  if (!buffer) {
    *destination = UNICODE_STRING{};
    return false;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  destination->Buffer = buffer;
  destination->Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
  destination->MaximumLength = static_cast<USHORT>(bytes);
  return true;
}

}  // namespace nt

VOID RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source) {
  destination->Buffer = const_cast<PWCHAR>(source);
  if (!source) {
    destination->Length = destination->MaximumLength = 0;
    return;
  }
  std::size_t n = std::char_traits<char16_t>::length(source);
  destination->Length = static_cast<USHORT>(n * sizeof(WCHAR));
  destination->MaximumLength = static_cast<USHORT>(destination->Length + sizeof(WCHAR));
}

VOID RtlCopyUnicodeString(PUNICODE_STRING destination, PCUNICODE_STRING source) {
  if (!source || !source->Buffer) {
    destination->Length = 0;
    return;
  }
  USHORT n = std::min(source->Length, destination->MaximumLength);
  std::memmove(destination->Buffer, source->Buffer, n);
  destination->Length = n;
  if (n + sizeof(WCHAR) <= destination->MaximumLength) destination->Buffer[n / sizeof(WCHAR)] = 0;
}

BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING a, PCUNICODE_STRING b, BOOLEAN caseInsensitive) {
  std::u16string x = nt::toU16(a), y = nt::toU16(b);
  return (caseInsensitive ? nt::namesEqual(x, y) : x == y) ? TRUE : FALSE;
}

VOID RtlFreeUnicodeString(PUNICODE_STRING string) {
  if (string->Buffer) ExFreePool(string->Buffer);
  *string = UNICODE_STRING{};
}
