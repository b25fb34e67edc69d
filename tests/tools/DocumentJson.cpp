#include "DocumentJson.h"
#include "link/store/LinkAccess.h"

#include <cmath>
#include <mutex>
#include <stdexcept>

using nlohmann::json;

namespace {

std::string BytesToUtf8(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Utf8ToBytes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      throw std::runtime_error("text holds a character above U+00FF: " + text);
    }
  }
  return out;
}

json Number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }

double NumberFrom(const json& value) { return value.is_null() ? NAN : value.get<double>(); }

std::string Text(const json& object, const char* key) { return Utf8ToBytes(object.value(key, std::string())); }

template <class T>
T Field(const json& object, const char* key, T fallback = T{}) {
  return object.contains(key) ? object.at(key).get<T>() : fallback;
}

}  // namespace

json CaptureToJson(CORUData& store, const FileSettings& settings) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  const CSysCfg& cfg = fields.sysCfg;
  json picture;
  picture["type"] = "capture";
  picture["viewType"] = settings.viewType;
  picture["config"] = {
      {"standard", cfg.standard},         {"parity7E1", cfg.parity7E1}, {"sync", cfg.sync},
      {"lineType", cfg.lineType},         {"trigger", cfg.trigger},     {"triggerText", BytesToUtf8(cfg.triggerText)},
      {"callProgress", cfg.callProgress}, {"item14", cfg.item14}};
  picture["highlightParityBit"] = fields.highlightParityBit.load();
  picture["highlightParityErrors"] = fields.highlightParityErrors.load();
  picture["currentRecordIndex"] = fields.currentRecordIndex.load();
  json events = json::array();
  for (const CORUCaptureHeader& h : fields.captureHeaders) {
    events.push_back({{"flags", h.flags},
                      {"reserved32", h.reserved32},
                      {"startDate", BytesToUtf8(h.startDate)},
                      {"firstIndex", h.firstIndex},
                      {"byteCount", h.byteCount},
                      {"eventName", BytesToUtf8(h.eventName)},
                      {"reserved4", h.reserved4},
                      {"startTime", BytesToUtf8(h.startTime)},
                      {"endText", BytesToUtf8(h.endText)}});
  }
  picture["events"] = std::move(events);
  json records = json::array();
  for (const CCaptBuf& r : fields.captureBuffer) {
    json record = {
        {"data", r.data}, {"flags", r.flags}, {"timeFraction", r.timeFraction}, {"timeSeconds", r.timeSeconds}};
    // Derived on loading from the modem-event pairing; shown, never read back.
    if (r.markerShown) record["markerShown"] = 1;
    if (r.hidden) record["hidden"] = 1;
    records.push_back(std::move(record));
  }
  picture["records"] = std::move(records);
  return picture;
}

json TraceToJson(CORUData& store, const TraceFileHead& head) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  json picture;
  picture["type"] = "trace";
  picture["head"] = {{"scaleIndex", head.scaleIndex},     {"spanIndex", head.spanIndex},
                     {"voltageLevel", head.voltageLevel}, {"line", head.line},
                     {"triggerType", head.triggerType},   {"lineAgain", head.lineAgain}};
  picture["value1"] = Number(fields.sysCfg.value1);
  picture["value2"] = Number(fields.sysCfg.value2);
  picture["traceCursor1"] = fields.traceCursor1.load();
  picture["traceCursor2"] = fields.traceCursor2.load();
  picture["traceMarker1"] = fields.traceMarker1.load();
  json samples = json::array();
  for (int sample : fields.traceSamples) samples.push_back(sample);
  picture["samples"] = std::move(samples);
  return picture;
}

void CaptureFromJson(const json& picture, CORUData& store, FileSettings& settings) {
  auto& fields = LinkFields(store);
  std::lock_guard guard(fields.dataMutex);
  settings.viewType = Field<int>(picture, "viewType", 1);
  const json config = picture.value("config", json::object());
  CSysCfg& cfg = fields.sysCfg;
  cfg.standard = Field<UCHAR>(config, "standard");
  cfg.parity7E1 = Field<UCHAR>(config, "parity7E1");
  cfg.sync = Field<UCHAR>(config, "sync");
  cfg.lineType = Field<UCHAR>(config, "lineType");
  cfg.trigger = Field<UCHAR>(config, "trigger");
  cfg.triggerText = Text(config, "triggerText");
  cfg.callProgress = Field<UCHAR>(config, "callProgress");
  cfg.item14 = Field<UCHAR>(config, "item14");
  fields.highlightParityBit = Field<int>(picture, "highlightParityBit");
  fields.highlightParityErrors = Field<int>(picture, "highlightParityErrors");
  fields.currentRecordIndex = Field<int>(picture, "currentRecordIndex", -1);
  fields.captureHeaders.RemoveAll();
  for (const json& e : picture.value("events", json::array())) {
    CORUCaptureHeader h;
    h.flags = Field<UCHAR>(e, "flags");
    h.reserved32 = Field<LONG>(e, "reserved32");
    h.startDate = Text(e, "startDate");
    h.firstIndex = Field<LONG>(e, "firstIndex");
    h.byteCount = Field<LONG>(e, "byteCount");
    h.eventName = Text(e, "eventName");
    h.reserved4 = Field<LONG>(e, "reserved4");
    h.startTime = Text(e, "startTime");
    h.endText = Text(e, "endText");
    fields.captureHeaders.Add(h);
  }
  fields.captureBuffer.RemoveAll();
  for (const json& r : picture.value("records", json::array())) {
    fields.captureBuffer.Add(CCaptBuf(Field<UCHAR>(r, "data"), Field<UCHAR>(r, "flags"),
                                      Field<ULONG>(r, "timeFraction"), Field<ULONG>(r, "timeSeconds")));
  }
}

void TraceFromJson(const json& picture, CORUData& store, FileSettings& settings) {
  auto& storeFields = LinkFields(store);
  std::lock_guard guard(storeFields.dataMutex);
  const json head = picture.value("head", json::object());
  storeFields.currentTrace.scaleIndex = Field<LONG>(head, "scaleIndex");
  storeFields.currentTrace.spanIndex = Field<LONG>(head, "spanIndex");
  storeFields.currentTrace.voltageLevel = Field<LONG>(head, "voltageLevel");
  // Both line fields are written from the one trace-line setting.
  settings.traceLine = Field<int>(head, "lineAgain", Field<int>(head, "line"));
  settings.traceTrigger = Field<int>(head, "triggerType");
  storeFields.sysCfg.value1 = picture.contains("value1") ? NumberFrom(picture.at("value1")) : 0.0;
  storeFields.sysCfg.value2 = picture.contains("value2") ? NumberFrom(picture.at("value2")) : 0.0;
  storeFields.traceCursor1 = Field<int>(picture, "traceCursor1", -1);
  storeFields.traceCursor2 = Field<int>(picture, "traceCursor2", -1);
  storeFields.traceMarker1 = Field<int>(picture, "traceMarker1", -1);
  storeFields.traceSamples.RemoveAll();
  for (const json& sample : picture.value("samples", json::array())) storeFields.traceSamples.Add(sample.get<int>());
}
