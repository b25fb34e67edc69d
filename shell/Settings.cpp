#include "shell/Settings.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool IsLink(const QString& path) { return QFileInfo(path).isSymLink(); }

}  // namespace

SettingsFile::SettingsFile(const QString& iniPath)
    : path_(iniPath.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
                                    kSettingsOrganisation + "/" + kSettingsApplication + ".conf"
                              : iniPath) {
  // A store with no file stands in for a linked one: it reads nothing and keeps nothing.
  if (IsLink(path_))
    settings_ = std::make_unique<QSettings>(QString(), QSettings::IniFormat);
  else if (iniPath.isEmpty())
    settings_ = std::make_unique<QSettings>(kSettingsOrganisation, kSettingsApplication);
  else
    settings_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

bool SettingsFile::MayWrite() {
  QString why;
  if (IsLink(path_))
    why = path_ + " is a link, which is not followed; the settings were not saved";
  else if (settings_->fileName().isEmpty() || !settings_->isWritable())
    why = "the settings could not be written to " + path_;
  if (why.isEmpty()) return true;
  if (writeError_.isEmpty()) writeError_ = why;
  return false;
}

void SettingsFile::Synced() {
  if (settings_->status() != QSettings::NoError && writeError_.isEmpty())
    writeError_ = "the settings could not be written to " + path_;
}

QString SettingsFile::Key(std::string_view name) const {
  return QString(kSettingsGroup) + "/" + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

bool SettingsFile::KeyExists() const {
  settings_->beginGroup(kSettingsGroup);
  const bool exists = !settings_->childKeys().isEmpty();
  settings_->endGroup();
  return exists;
}

std::optional<uint32_t> SettingsFile::ReadDword(std::string_view name) const {
  const QVariant value = settings_->value(Key(name));
  if (!value.isValid() || value.typeId() == QMetaType::QByteArray) return std::nullopt;
  bool ok = false;
  const qlonglong number = value.toString().toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(number);
}

std::optional<std::string> SettingsFile::ReadBinary(std::string_view name, std::size_t bufferSize) const {
  const QVariant value = settings_->value(Key(name));
  if (!value.isValid()) return std::nullopt;
  const QByteArray bytes = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
  // A value longer than the buffer it is read into cannot be read at all.
  if (static_cast<std::size_t>(bytes.size()) > bufferSize) return std::nullopt;
  return bytes.toStdString();
}

bool SettingsFile::BeginWrite() { return MayWrite(); }

void SettingsFile::WriteDword(std::string_view name, uint32_t value) { settings_->setValue(Key(name), value); }

void SettingsFile::WriteBinary(std::string_view name, const std::string& bytes) {
  settings_->setValue(Key(name), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void SettingsFile::EndWrite() {
  settings_->sync();
  Synced();
}

QStringList SettingsFile::ReadRecentFiles(int count) const {
  QStringList files;
  settings_->beginGroup(kRecentFilesGroup);
  for (int i = 1; i <= count; ++i) {
    const QString file = settings_->value(QString("File%1").arg(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  settings_->endGroup();
  return files;
}

void SettingsFile::WriteRecentFiles(const QStringList& files) {
  if (!MayWrite()) return;
  settings_->beginGroup(kRecentFilesGroup);
  settings_->remove("");
  for (int i = 0; i < files.size(); ++i) settings_->setValue(QString("File%1").arg(i + 1), files[i]);
  settings_->endGroup();
  settings_->sync();
  Synced();
}
