#include "sim/TextTokens.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<Token> splitTokens(std::string_view line, std::string& error) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c == '#') break;  // a comment: '#' inside a word (a DTMF "#") does not start one
    Token tok;
    if (c == '"') {
      tok.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d != '\\') {
          tok.text.push_back(d);
          continue;
        }
        if (i >= line.size()) break;
        char e = line[i++];
        switch (e) {
          case 'r':
            tok.text.push_back('\r');
            break;
          case 'n':
            tok.text.push_back('\n');
            break;
          case 't':
            tok.text.push_back('\t');
            break;
          case '\\':
            tok.text.push_back('\\');
            break;
          case '"':
            tok.text.push_back('"');
            break;
          case 'x': {
            int hi = i < line.size() ? hexValue(line[i]) : -1;
            int lo = i + 1 < line.size() ? hexValue(line[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
              error = "bad \\x escape";
              return {};
            }
            tok.text.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
            break;
          }
          default:
            error = std::string("unknown escape \\") + e;
            return {};
        }
      }
      if (!closed) {
        error = "missing closing quote";
        return {};
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n') {
        tok.text.push_back(line[i++]);
      }
    }
    out.push_back(std::move(tok));
  }
  return out;
}

std::optional<long long> readInteger(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::string s(text);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size() || s[0] == ' ' || s[0] == '+') return std::nullopt;
  return v;
}

std::optional<double> readDecimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  std::string s(text);
  if (s[0] == '+') s.erase(0, 1);  // "+1.5": offsets are written with a plus
  if (s.empty() || s[0] == ' ') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(s.c_str(), &end);
  if (errno != 0 || end != s.c_str() + s.size() || !(v == v)) return std::nullopt;
  return v;
}

}  // namespace sim
