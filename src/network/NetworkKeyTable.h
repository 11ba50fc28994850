#pragma once
// The client keys and identities a service is asked with. A deployment file
// installed with the program lists several per service; one is chosen at
// random, remembered in the settings with the time of choosing, and kept
// for three days across launches, so the load spreads over the keys.

#include <QList>
#include <QString>
#include <mutex>

class SettingsStore;

namespace tagmint::network {

struct NetworkKeyEntry {
    QString serviceKey;       // AcoustID client key, album-information API key, "-" for MusicBrainz
    QString clientIdentity;   // the user-agent text, Base64 when the table says so
};

class NetworkKeyTable {
public:
    enum Flag : quint32 {
        IdentityInBase64 = 0x1,
    };
    static constexpr qint64 kKeepSeconds = 259200;   // three days
    static constexpr const char* kTimeSection = "QZTagLibNetworkKeyTime";
    static constexpr const char* kIndexSection = "QZTagLibNetworkKeyIndex";

    NetworkKeyTable(QString identifier, QList<NetworkKeyEntry> entries, quint32 flags);

    QString identifier() const { return m_identifier; }
    int count() const { return int(m_entries.size()); }

    // The chosen entry's key and decoded identity; empty when the table has
    // no entries. The first call of a process chooses the index (stored
    // choice when younger than three days, else a new random one, stored).
    QString serviceKey(SettingsStore& settings, qint64 nowSecs);
    QString clientIdentity(SettingsStore& settings, qint64 nowSecs);
    int chosenIndex(SettingsStore& settings, qint64 nowSecs);

private:
    int chooseLocked(SettingsStore& settings, qint64 nowSecs);

    const QString m_identifier;
    const QList<NetworkKeyEntry> m_entries;
    const quint32 m_flags;
    std::mutex m_mutex;
    int m_index = -1;
    bool m_identityDecoded = false;
    QString m_identity;
};

// The tables of the three services that take keys, read once per process
// from the deployment file: $TAGMINT_NETWORK_KEYS, else network-keys.json
// in the program's share folder. A missing or damaged file gives empty tables.
NetworkKeyTable& musicBrainzKeyTable();
NetworkKeyTable& acoustIdKeyTable();
NetworkKeyTable& albumInfoKeyTable();

// Parses the deployment file's JSON: an object with one array per table
// identifier, each entry {"key": ..., "identity": ...}.
QList<NetworkKeyEntry> keyEntriesFromJson(const QByteArray& json, const QString& identifier);

} // namespace tagmint::network
