#pragma once

// How a file operation ended. The application shows the text of a failure in a message box.

enum class FileStatus {
  Ok,
  UnknownType,       // the path names neither a capture nor a trace file
  CaptureReadError,  // malformed or truncated capture file; what was read stays
  TraceFormatError,  // trace file too short for its fixed fields
  OpenFailed,        // the file cannot be opened for reading, or a read of it failed
  SaveFailed,        // the file cannot be created or written
  ExportFailed,      // the CSV file cannot be created or written
};

inline const char* FileStatusText(FileStatus status) {
  switch (status) {
    case FileStatus::Ok:
      return "";
    case FileStatus::UnknownType:
      return "Unknown file type";
    case FileStatus::CaptureReadError:
      return "Error reading capture file";
    case FileStatus::TraceFormatError:
      return "Unexpected file format.";
    case FileStatus::OpenFailed:
      return "Failed to open document.";
    case FileStatus::SaveFailed:
      return "Failed to save document.";
    case FileStatus::ExportFailed:
      return "Unable to save file";
  }
  return "";
}

// Title of the export failure's message box.
constexpr const char* FILE_EXPORT_ERROR_TITLE = "File Export Error";
