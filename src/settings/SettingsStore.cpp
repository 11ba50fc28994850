#include "settings/SettingsStore.h"

namespace {

constexpr qsizetype kMaxValueLength = 259;
constexpr qsizetype kMaxKeyLength = 520;

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("tagmint"), QStringLiteral("tagmint")))
{
}

SettingsStore::SettingsStore(const QString& fileName)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat))
{
}

QString SettingsStore::composedKey(const QString& domain, const QString& key)
{
    const QString joined = domain.endsWith(QLatin1Char('/')) ? domain + key
                                                             : domain + QLatin1Char('/') + key;
    return joined.left(kMaxKeyLength);
}

std::optional<QString> SettingsStore::readString(const QString& domain, const QString& key) const
{
    const QVariant value = m_settings->value(composedKey(domain, key));
    // A hand-edited file may hold a list or other non-text value here.
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString().left(kMaxValueLength);
}

void SettingsStore::writeString(const QString& domain, const QString& key, const QString& value)
{
    m_settings->setValue(composedKey(domain, key), value.left(kMaxValueLength));
    m_settings->sync();
}

std::optional<QString> SettingsStore::readFlatString(const QString& key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

void SettingsStore::writeFlatStrings(const QList<std::pair<QString, QString>>& values)
{
    for (const auto& [key, value] : values)
        m_settings->setValue(key, value);
    m_settings->sync();
}

bool SettingsStore::readBool(const QString& domain, const QString& key) const
{
    const std::optional<QString> value = readString(domain, key);
    return !value || !value->startsWith(QLatin1Char('0'));
}

bool SettingsStore::readBoolDefaultingFalse(const QString& domain, const QString& key) const
{
    const std::optional<QString> value = readString(domain, key);
    return value && !value->startsWith(QLatin1Char('0'));
}

void SettingsStore::writeBool(const QString& domain, const QString& key, bool value)
{
    writeString(domain, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

int SettingsStore::readInt(const QString& domain, const QString& key, int defaultValue) const
{
    const std::optional<QString> value = readString(domain, key);
    if (!value)
        return defaultValue;
    bool ok = false;
    const int number = value->trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

void SettingsStore::writeInt(const QString& domain, const QString& key, int value)
{
    writeString(domain, key, QString::number(value));
}
