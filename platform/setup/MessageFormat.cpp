#include "platform/setup/MessageFormat.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/setup/SystemMessages.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

namespace {

constexpr int kMaxInserts = 99;

DWORD fail(DWORD error) {
  SetLastError(error);
  return 0;
}

const char* moduleMessage(DWORD id) {
  for (auto table : {InstallerMessageTable(), ConsoleHelpMessageTable(), ConsoleDumpMessageTable()}) {
    for (const StringEntry& e : table) {
      if (static_cast<DWORD>(e.id) == id) return e.text;
    }
  }
  return nullptr;
}

// One insert's value through a printf conversion ("d", "-10s", "I64x", ...); false for a
// conversion this does not know.
bool formatInsert(const std::string& spec, DWORD_PTR value, std::string& out) {
  std::size_t at = 0;
  std::string head = "%";
  while (at < spec.size() && std::strchr("-+ #0123456789.", spec[at])) head.push_back(spec[at++]);
  bool wide = false;
  while (at < spec.size() && std::strchr("hlI6432", spec[at])) {
    if (spec[at] == 'l' || spec[at] == 'I') wide = true;
    ++at;
  }
  if (at + 1 != spec.size()) return false;
  char conversion = spec[at];
  char text[512];
  int n = -1;
  switch (conversion) {
    case 's': {
      const char* s = reinterpret_cast<const char*>(value);
      n = std::snprintf(text, sizeof text, (head + "s").c_str(), s ? s : "(null)");
      break;
    }
    case 'c':
      n = std::snprintf(text, sizeof text, (head + "c").c_str(), static_cast<int>(value));
      break;
    case 'd':
    case 'i':
      n = wide ? std::snprintf(text, sizeof text, (head + "lld").c_str(), static_cast<long long>(value))
               : std::snprintf(text, sizeof text, (head + "d").c_str(), static_cast<int>(value));
      break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      n = wide ? std::snprintf(text, sizeof text, (head + "ll" + conversion).c_str(),
                               static_cast<unsigned long long>(value))
               : std::snprintf(text, sizeof text, (head + conversion).c_str(), static_cast<unsigned>(value));
      break;
    default:
      return false;
  }
  if (n < 0) return false;
  out.append(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
  return true;
}

}  // namespace

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                     va_list* Arguments) {
  if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) return fail(ERROR_NOT_SUPPORTED);
  if (!lpBuffer || nSize == 0) return fail(ERROR_INSUFFICIENT_BUFFER);
  const char* text = nullptr;
  if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
    text = static_cast<const char*>(lpSource);
  } else {
    if ((dwFlags & FORMAT_MESSAGE_FROM_HMODULE) && !lpSource) text = moduleMessage(dwMessageId);
    if (!text && (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM)) text = SystemErrorText(dwMessageId);
  }
  if (!text) return fail(ERROR_MR_MID_NOT_FOUND);

  const bool ignoreInserts = dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS;
  const bool array = dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY;
  std::vector<DWORD_PTR> listed;  // a va_list's values, taken in order up to the highest insert
  std::string out;
  for (const char* p = text; *p;) {
    if (*p != '%') {
      out.push_back(*p++);
      continue;
    }
    const char* start = p++;
    if (*p >= '1' && *p <= '9') {
      int number = *p++ - '0';
      if (std::isdigit(static_cast<unsigned char>(*p))) number = number * 10 + (*p++ - '0');
      std::string spec = "s";
      if (*p == '!') {
        const char* close = std::strchr(p + 1, '!');
        if (!close) return fail(ERROR_INVALID_PARAMETER);
        spec.assign(p + 1, close);
        p = close + 1;
      }
      if (ignoreInserts) {
        out.append(start, p);
        continue;
      }
      if (!Arguments || number > kMaxInserts) return fail(ERROR_INVALID_PARAMETER);
      DWORD_PTR value;
      if (array) {
        value = reinterpret_cast<const DWORD_PTR*>(Arguments)[number - 1];
      } else {
        while (listed.size() < static_cast<std::size_t>(number)) listed.push_back(va_arg(*Arguments, DWORD_PTR));
        value = listed[number - 1];
      }
      if (!formatInsert(spec, value, out)) return fail(ERROR_INVALID_PARAMETER);
      continue;
    }
    if (ignoreInserts) {
      out.append(start, start + 1);
      if (*p) out.push_back(*p++);
      continue;
    }
    switch (*p) {
      case '\0':
        out.push_back('%');
        continue;
      case '0':
        p = "";
        continue;  // ends the message, with no line end
      case 'n':
        out += "\r\n";
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'r':
        out.push_back('\r');
        break;
      default:
        out.push_back(*p);
        break;  // "%%", "%.", "%!", "% "
    }
    ++p;
  }
  if (out.size() + 1 > nSize) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(lpBuffer, out.c_str(), out.size() + 1);
  return static_cast<DWORD>(out.size());
}
