// capfile: a test tool for capture (".hsc") and trace (".ast") files.
//   capfile dump F        prints the file as JSON
//   capfile write J F     writes the file that the JSON J describes
//   capfile csv F OUT     exports the capture F as CSV
// Exit status: 0 done, 1 the file was read with an error (the JSON shows what was read),
// 2 wrong use or a file that cannot be opened or written.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "DocumentJson.h"
#include "link/files/CsvExport.h"
#include "link/store/DocumentType.h"
#include "link/files/FileType.h"

namespace {

int Usage() {
  std::cerr << "usage: capfile dump F | capfile write J F | capfile csv F OUT\n";
  return 2;
}

int Dump(const std::string& path) {
  const std::optional<DocumentType> found = DocumentTypeFromPath(path);
  if (!found) {
    std::cerr << path << ": " << FileStatusText(FileStatus::UnknownType) << "\n";
    return 2;
  }
  const DocumentType type = *found;
  CORUData store;
  FileSettings settings;
  TraceFileHead head;
  const FileStatus status = LoadDocumentFile(path, store, type, settings, &head);
  if (status == FileStatus::OpenFailed) {
    std::cerr << path << ": " << FileStatusText(status) << "\n";
    return 2;
  }
  nlohmann::json picture = type == DocumentType::Capture ? CaptureToJson(store, settings) : TraceToJson(store, head);
  if (status != FileStatus::Ok) picture["error"] = FileStatusText(status);
  std::cout << picture.dump(1) << "\n";
  return status == FileStatus::Ok ? 0 : 1;
}

int Write(const std::string& jsonPath, const std::string& path) {
  std::ifstream in(jsonPath);
  if (!in) {
    std::cerr << jsonPath << ": cannot be read\n";
    return 2;
  }
  const nlohmann::json picture = nlohmann::json::parse(in);
  const std::string kind = picture.value("type", std::string());
  CORUData store;
  FileSettings settings;
  std::optional<DocumentType> type;
  if (kind == "capture") {
    type = DocumentType::Capture;
    CaptureFromJson(picture, store, settings);
  } else if (kind == "trace") {
    type = DocumentType::Trace;
    TraceFromJson(picture, store, settings);
  }
  const FileStatus status = type ? SaveDocumentFile(path, store, *type, settings) : FileStatus::UnknownType;
  if (status != FileStatus::Ok) {
    std::cerr << path << ": " << FileStatusText(status) << "\n";
    return 2;
  }
  return 0;
}

int Csv(const std::string& path, const std::string& out) {
  CORUData store;
  FileSettings settings;
  const FileStatus status = LoadDocumentFile(path, store, DocumentType::Capture, settings);
  if (status == FileStatus::OpenFailed) {
    std::cerr << path << ": " << FileStatusText(status) << "\n";
    return 2;
  }
  if (status != FileStatus::Ok) std::cerr << path << ": " << FileStatusText(status) << "\n";
  const FileStatus exported = ExportCsvFile(out, store);
  if (exported != FileStatus::Ok) {
    std::cerr << out << ": " << FileStatusText(exported) << "\n";
    return 2;
  }
  return status == FileStatus::Ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "dump" && argc == 3) return Dump(argv[2]);
    if (command == "write" && argc == 4) return Write(argv[2], argv[3]);
    if (command == "csv" && argc == 4) return Csv(argv[2], argv[3]);
  } catch (const std::exception& error) {
    std::cerr << "capfile: " << error.what() << "\n";
    return 2;
  }
  return Usage();
}
