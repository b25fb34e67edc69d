#include "sim/ScenarioChoice.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/ScenarioLibrary.h"
#include "sim/ScenarioParser.h"
#include "sim/WatchedLine.h"

namespace sim {
namespace {

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// `where` names the text in the parser's message.
ScenarioChoice fromText(std::string_view text, const std::string& where) {
  ParsedScenario parsed = parseScenario(text);
  if (!parsed.ok()) return {std::nullopt, where + ": " + parsed.error};
  return {std::move(parsed.scenario), {}};
}

ScenarioChoice fromFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {std::nullopt, "cannot read \"" + path + "\""};
  const auto tooLarge = [&] {
    return ScenarioChoice{std::nullopt,
                          path + ": the file is larger than " + std::to_string(kLargestScenarioFile) + " bytes"};
  };
  if (std::filesystem::file_size(path, ec) > kLargestScenarioFile) return tooLarge();
  std::ifstream in(path, std::ios::binary);
  std::string text(kLargestScenarioFile + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (!in.is_open() || in.bad()) return {std::nullopt, "cannot read \"" + path + "\""};
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kLargestScenarioFile) return tooLarge();  // it grew since
  return fromText(text, path);
}

std::string knownNames() {
  std::string out;
  for (const std::string& name : builtinScenarioNames()) out += (out.empty() ? "" : ", ") + name;
  return out;
}

}  // namespace

ScenarioChoice chooseScenario(std::string_view choice) {
  if (choice == kIdleLines) return {};
  if (endsWith(choice, ".scn")) return fromFile(std::string(choice));
  const std::string name(choice.empty() ? kDefaultScenario : choice);
  const std::vector<std::string> names = builtinScenarioNames();
  if (std::find(names.begin(), names.end(), name) == names.end())
    return {std::nullopt,
            "no built-in scenario \"" + name + "\" (built in: " + knownNames() + "; also \"idle\" or a .scn file)"};
  ScenarioChoice chosen = fromText(*builtinText(name), "built-in scenario \"" + name + "\"");
  if (chosen.scenario) chosen.scenario = playedForWatching(std::move(*chosen.scenario));
  return chosen;
}

}  // namespace sim
