#include "qt_settings_store.h"

#include <QSettings>

namespace {

QString Path(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

}  // namespace

int QtSettingsStore::ReadInt(const std::string& section, const std::string& key, int fallback)
{
    bool ok = false;
    const int value = QSettings().value(Path(section, key)).toInt(&ok);
    return ok ? value : fallback;
}

std::string QtSettingsStore::ReadString(const std::string& section, const std::string& key,
                                        const std::string& fallback)
{
    const QVariant v = QSettings().value(Path(section, key));
    return v.isValid() ? v.toString().toStdString() : fallback;
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& key, int value)
{
    QSettings().setValue(Path(section, key), value);
}

void QtSettingsStore::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value)
{
    QSettings().setValue(Path(section, key), QString::fromStdString(value));
}
