#pragma once

// The settings' store: QSettings in the native format under "Pelgrave, Inc." / "Quorlan View PC",
// group "Startup" (the key's unnamed value as "Default"), or an INI file that a test names. The
// recent-file list lives in a group of its own. A link at the settings file is not followed: the
// settings are then neither read nor written. A write that fails is kept to be said once.

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

#include "shell/model/SettingsRules.h"

constexpr const char* kSettingsOrganisation = "Pelgrave, Inc.";
constexpr const char* kSettingsApplication = "Quorlan View PC";
constexpr const char* kSettingsGroup = "Startup";
constexpr const char* kRecentFilesGroup = "Recent File List";

class SettingsFile final : public SettingsStore {
 public:
  // An empty path gives the native store.
  explicit SettingsFile(const QString& iniPath = QString());

  bool KeyExists() const override;
  std::optional<uint32_t> ReadDword(std::string_view name) const override;
  std::optional<std::string> ReadBinary(std::string_view name, std::size_t bufferSize) const override;
  bool BeginWrite() override;
  void WriteDword(std::string_view name, uint32_t value) override;
  void WriteBinary(std::string_view name, const std::string& bytes) override;
  void EndWrite() override;

  QStringList ReadRecentFiles(int count) const;
  void WriteRecentFiles(const QStringList& files);

  QSettings& settings() { return *settings_; }
  // Why the settings were not saved, from the first write that failed; empty when none did.
  const QString& WriteError() const { return writeError_; }

 private:
  QString Key(std::string_view name) const;
  // False, with the reason kept, when the file may not be written now.
  bool MayWrite();
  void Synced();

  QString path_;
  std::unique_ptr<QSettings> settings_;
  QString writeError_;
};
