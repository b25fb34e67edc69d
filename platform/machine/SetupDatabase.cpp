#include "platform/machine/SetupDatabase.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <utility>

#include "platform/machine/InfFile.h"
#include "platform/machine/TextEncoding.h"

namespace platform {

using nlohmann::json;

DeviceRecord* SetupDatabase::find(std::string_view instanceId) {
  auto it = devices.find(UpperCase(instanceId));
  return it == devices.end() ? nullptr : &it->second;
}

const DeviceRecord* SetupDatabase::find(std::string_view instanceId) const {
  return const_cast<SetupDatabase*>(this)->find(instanceId);
}

void SetupDatabase::put(DeviceRecord record) {
  std::string key = UpperCase(record.instanceId);
  devices[key] = std::move(record);
}

bool SetupDatabase::erase(std::string_view instanceId) { return devices.erase(UpperCase(instanceId)) != 0; }

void SetupDatabase::addClass(const std::string& name, const std::string& guid) {
  for (SetupClass& c : classes) {
    if (EqualsNoCase(c.name, name) && EqualsNoCase(c.guid, guid)) return;
  }
  SetupClass added;
  added.name = name;
  added.guid = guid;
  classes.push_back(std::move(added));
}

namespace {

// Texts come from packages, devices and callers: whatever their bytes, the file holds UTF-8.
json text(const std::string& value) { return AsUtf8(value); }

json texts(const std::vector<std::string>& values) {
  json out = json::array();
  for (const std::string& v : values) out.push_back(text(v));
  return out;
}

json configurationsJson(const std::vector<LogicalConfiguration>& configurations) {
  json out = json::array();
  for (const LogicalConfiguration& c : configurations) {
    json resources = json::array();
    for (const ResourceDescriptor& r : c.resources)
      resources.push_back({{"type", r.type}, {"base", r.base}, {"end", r.end}, {"number", r.number}});
    out.push_back({{"type", c.type}, {"resources", resources}});
  }
  return out;
}

}  // namespace

std::string SaveSetupDatabase(const SetupDatabase& database) {
  json devices = json::array();
  for (const auto& [key, d] : database.devices) {
    devices.push_back({{"friendlyName", text(d.friendlyName)},
                       {"upperFilters", texts(d.upperFilters)},
                       {"lowerFilters", texts(d.lowerFilters)},
                       {"configurations", configurationsJson(d.configurations)},
                       {"reportedProblem", d.reportedProblem},
                       {"privateProblem", d.privateProblem},
                       {"instanceId", text(d.instanceId)},
                       {"hardwareIds", texts(d.hardwareIds)},
                       {"compatibleIds", texts(d.compatibleIds)},
                       {"className", text(d.className)},
                       {"classGuid", text(d.classGuid)},
                       {"description", text(d.description)},
                       {"manufacturer", text(d.manufacturer)},
                       {"service", text(d.service)},
                       {"driverKey",
                        {{"InfPath", text(d.driverKey.infPath)},
                         {"ProviderName", text(d.driverKey.providerName)},
                         {"InfSection", text(d.driverKey.infSection)},
                         {"DriverDesc", text(d.driverKey.driverDesc)}}},
                       {"disabled", d.disabled},
                       {"pendingRemoval", d.pendingRemoval}});
  }
  json classes = json::array();
  for (const SetupClass& c : database.classes)
    classes.push_back({{"name", text(c.name)},
                       {"guid", text(c.guid)},
                       {"description", text(c.description)},
                       {"installerKey", c.installerKey},
                       {"upperFilters", texts(c.upperFilters)},
                       {"lowerFilters", texts(c.lowerFilters)}});
  json root = {{"version", 1},
               {"devices", devices},
               {"classes", classes},
               {"pendingRestart", database.pendingRestart},
               {"restartRequested", database.restartRequested}};
  return root.dump(2) + "\n";
}

namespace {

// machine.json nests seven containers deep at most (root, devices, a device, its configurations,
// one of them, its resources, one of those); anything much deeper is not such a file, and the
// copies and the writer below recurse once per level.
constexpr int kDeepestNesting = 8;

json parseBounded(std::string_view text) {
  json::parser_callback_t bound = [](int depth, json::parse_event_t event, json&) {
    if ((event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) &&
        depth >= kDeepestNesting)
      throw std::runtime_error("nested deeper than " + std::to_string(kDeepestNesting) + " levels");
    return true;
  };
  return json::parse(text.begin(), text.end(), bound);
}

// Optional members: absent is the default; present with another type is an error.
template <typename T>
void read(const json& object, const char* name, T& out) {
  auto it = object.find(name);
  if (it != object.end()) out = it->template get<T>();
}

// A number member: absent is the default; present, it must be a whole number that fits.
template <typename T>
void readNumber(const json& object, const char* name, T& out) {
  auto it = object.find(name);
  if (it == object.end()) return;
  if (it->is_number_unsigned() && std::in_range<T>(it->get<std::uint64_t>())) {
    out = static_cast<T>(it->get<std::uint64_t>());
  } else if (it->is_number_integer() && !it->is_number_unsigned() && std::in_range<T>(it->get<std::int64_t>())) {
    out = static_cast<T>(it->get<std::int64_t>());
  } else {
    throw std::runtime_error(std::string("\"") + name + "\" is not a whole number from " +
                             std::to_string(std::numeric_limits<T>::min()) + " to " +
                             std::to_string(std::numeric_limits<T>::max()));
  }
}

// An array member read in place.
const json::array_t& arrayOf(const json& value, const char* what) {
  if (!value.is_array()) throw std::runtime_error(std::string(what) + " is not an array");
  return value.get_ref<const json::array_t&>();
}

}  // namespace

bool LoadSetupDatabase(std::string_view text, SetupDatabase& database, std::string& error) {
  SetupDatabase loaded;
  try {
    json root = parseBounded(text);
    if (!root.is_object()) throw std::runtime_error("not a JSON object");
    int version = 1;
    readNumber(root, "version", version);
    if (version != 1) throw std::runtime_error("unknown version " + std::to_string(version));
    read(root, "pendingRestart", loaded.pendingRestart);
    read(root, "restartRequested", loaded.restartRequested);
    if (auto it = root.find("devices"); it != root.end()) {
      for (const json& d : arrayOf(*it, "devices")) {
        if (!d.is_object()) throw std::runtime_error("a device is not an object");
        DeviceRecord r;
        read(d, "instanceId", r.instanceId);
        if (r.instanceId.empty()) throw std::runtime_error("a device has no instance id");
        read(d, "hardwareIds", r.hardwareIds);
        read(d, "compatibleIds", r.compatibleIds);
        read(d, "className", r.className);
        read(d, "classGuid", r.classGuid);
        read(d, "description", r.description);
        read(d, "manufacturer", r.manufacturer);
        read(d, "service", r.service);
        if (auto key = d.find("driverKey"); key != d.end()) {
          if (!key->is_object()) throw std::runtime_error("a driver key is not an object");
          read(*key, "InfPath", r.driverKey.infPath);
          read(*key, "ProviderName", r.driverKey.providerName);
          read(*key, "InfSection", r.driverKey.infSection);
          read(*key, "DriverDesc", r.driverKey.driverDesc);
        }
        read(d, "friendlyName", r.friendlyName);
        read(d, "upperFilters", r.upperFilters);
        read(d, "lowerFilters", r.lowerFilters);
        if (auto list = d.find("configurations"); list != d.end()) {
          for (const json& c : arrayOf(*list, "configurations")) {
            if (!c.is_object()) throw std::runtime_error("a configuration is not an object");
            LogicalConfiguration configuration;
            readNumber(c, "type", configuration.type);
            if (auto res = c.find("resources"); res != c.end()) {
              for (const json& x : arrayOf(*res, "resources")) {
                if (!x.is_object()) throw std::runtime_error("a resource is not an object");
                ResourceDescriptor descriptor;
                readNumber(x, "type", descriptor.type);
                readNumber(x, "base", descriptor.base);
                readNumber(x, "end", descriptor.end);
                readNumber(x, "number", descriptor.number);
                configuration.resources.push_back(descriptor);
              }
            }
            r.configurations.push_back(std::move(configuration));
          }
        }
        readNumber(d, "reportedProblem", r.reportedProblem);
        read(d, "privateProblem", r.privateProblem);
        read(d, "disabled", r.disabled);
        read(d, "pendingRemoval", r.pendingRemoval);
        loaded.put(std::move(r));
      }
    }
    if (auto it = root.find("classes"); it != root.end()) {
      for (const json& c : arrayOf(*it, "classes")) {
        if (!c.is_object()) throw std::runtime_error("a class is not an object");
        SetupClass s;
        read(c, "name", s.name);
        read(c, "guid", s.guid);
        read(c, "description", s.description);
        read(c, "installerKey", s.installerKey);
        read(c, "upperFilters", s.upperFilters);
        read(c, "lowerFilters", s.lowerFilters);
        if (s.name.empty()) throw std::runtime_error("a class has no name");
        loaded.classes.push_back(std::move(s));
      }
    }
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  loaded.packages = std::move(database.packages);
  database = std::move(loaded);
  return true;
}

}  // namespace platform
