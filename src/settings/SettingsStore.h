#pragma once
// The per-user settings file: short string values under "domain/key",
// booleans stored as "1"/"0", integers as decimal text. Every write reaches
// the file at once.

#include <QSettings>
#include <QString>
#include <QList>
#include <memory>
#include <optional>
#include <utility>

class SettingsStore {
public:
    // The user's file ($XDG_CONFIG_HOME/tagmint/tagmint.conf).
    SettingsStore();
    // A file of the caller's choosing (tests use a temporary folder).
    explicit SettingsStore(const QString& fileName);

    // The stored value cut to 259 characters; nullopt for a missing key or
    // a value that is not text.
    std::optional<QString> readString(const QString& domain, const QString& key) const;
    void writeString(const QString& domain, const QString& key, const QString& value);

    // Any first character but "0" reads as true, a missing key included.
    bool readBool(const QString& domain, const QString& key) const;
    // True only for a stored value that does not start with "0".
    bool readBoolDefaultingFalse(const QString& domain, const QString& key) const;
    void writeBool(const QString& domain, const QString& key, bool value);

    // The default for a missing key or text that is not a decimal number.
    int readInt(const QString& domain, const QString& key, int defaultValue) const;
    void writeInt(const QString& domain, const QString& key, int value);

    // Flat keys outside any domain (the column layout keeps one key per
    // column and property). A value that is not text reads as nullopt.
    std::optional<QString> readFlatString(const QString& key) const;
    // Sets every pair, then writes the file once.
    void writeFlatStrings(const QList<std::pair<QString, QString>>& values);

    // "domain/key" (no second slash when the domain ends in one), at most 520 characters.
    static QString composedKey(const QString& domain, const QString& key);

    QString fileName() const { return m_settings->fileName(); }

private:
    std::unique_ptr<QSettings> m_settings;
};
