#include "platform/qt/QtSettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace pellix {

namespace {

// Stored names use backslashes between levels; QSettings wants slashes.
QString Key(const std::string& name) {
    return QString::fromStdString(name).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

} // namespace

std::string QtSettingsStore::DefaultPath() {
    QByteArray env = qgetenv("PELLIX_SETTINGS");
    if (!env.isEmpty()) return env.toStdString();
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return (base + QStringLiteral("/pellix/settings.ini")).toStdString();
}

QtSettingsStore::QtSettingsStore(const std::string& path)
    : settings_(std::make_unique<QSettings>(
          QString::fromStdString(path.empty() ? DefaultPath() : path), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() { settings_->sync(); }

std::string QtSettingsStore::Path() const { return settings_->fileName().toStdString(); }

bool QtSettingsStore::Exists(const std::string& name) { return settings_->contains(Key(name)); }

bool QtSettingsStore::KeyExists(const std::string& name) {
    QString key = Key(name);
    if (settings_->contains(key)) return true;
    settings_->beginGroup(key);
    bool any = !settings_->allKeys().isEmpty();
    settings_->endGroup();
    return any;
}

std::optional<int32_t> QtSettingsStore::ReadInt(const std::string& name) {
    QVariant v = settings_->value(Key(name));
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    qlonglong n = v.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return int32_t(n);
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& name) {
    QVariant v = settings_->value(Key(name));
    if (!v.isValid()) return std::nullopt;
    return v.toString().toStdString();
}

void QtSettingsStore::WriteInt(const std::string& name, int32_t value) {
    settings_->setValue(Key(name), int(value));
}

void QtSettingsStore::WriteString(const std::string& name, const std::string& value) {
    settings_->setValue(Key(name), QString::fromStdString(value));
}

void QtSettingsStore::Flush() { settings_->sync(); }

} // namespace pellix
