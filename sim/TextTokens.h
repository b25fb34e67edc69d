#pragma once

// Splits one line of a scenario or memory file into words. A word in double quotes may hold
// blanks and the escapes \r \n \t \\ \" and \xHH; a word that begins with '#' starts a comment
// (so "*72#" is a word).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Token {
  std::string text;
  bool quoted = false;
};

// The words of `line`, or an error text in `error` (then the result is empty).
std::vector<Token> splitTokens(std::string_view line, std::string& error);

// Splits `line` into `tokens` and rewinds `at` to the first; a malformed line throws `Fail` with
// the reason. False for a line with no words (blank or a comment).
template <class Fail>
bool readTokens(std::string_view line, std::vector<Token>& tokens, size_t& at) {
  std::string error;
  tokens = splitTokens(line, error);
  at = 0;
  if (!error.empty()) throw Fail(error);
  return !tokens.empty();
}

// Calls fn(line) for each line of `text`; the line number of a failure is `lineNo` (1-based).
template <class Fn>
void forEachLine(std::string_view text, int& lineNo, Fn fn) {
  lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    ++lineNo;
    fn(text.substr(pos, nl - pos));
    pos = nl + 1;
  }
}

// The value of a hex digit, or -1.
int hexValue(char c);

// Strict number readers: the whole text must be the number.
std::optional<long long> readInteger(std::string_view text);
std::optional<double> readDecimal(std::string_view text);

}  // namespace sim
