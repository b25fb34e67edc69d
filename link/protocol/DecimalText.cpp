#include "link/protocol/DecimalText.h"

#include <charconv>

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return text;
}

template <class Number>
std::optional<Number> Parse(std::string_view text) {
  text = Trimmed(text);
  Number number{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return number;
}

}  // namespace

std::optional<long> ParseDecimalInteger(std::string_view text) { return Parse<long>(text); }
std::optional<double> ParseDecimalReal(std::string_view text) { return Parse<double>(text); }

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto colon = text.find(':');
    fields.push_back(text.substr(0, colon));
    if (colon == std::string_view::npos) return fields;
    text.remove_prefix(colon + 1);
  }
}
