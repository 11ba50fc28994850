#pragma once
// The network source of a load-tags run: finds a file's album and track by
// the names it already has (MusicBrainz) and by its sound (AcoustID),
// scores the candidates (AlbumScoring) and finds the album's artwork (Cover
// Art Archive, then the album-information service). Offline, it answers
// from the caches alone.

#include "network/AcoustIdClient.h"
#include "network/AlbumScoring.h"
#include "network/ArtworkClients.h"
#include "network/MusicBrainzClient.h"
#include "network/RecordTagLoader.h"

#include <QMap>
#include <functional>
#include <memory>

class SettingsStore;

namespace tagmint::network {

struct NetworkSetup {
    NetworkConfig config;
    QString musicBrainzAgent;
    QString acoustIdKey;      // empty: fingerprints are not looked up
    QString acoustIdAgent;
    QString albumInfoKey;     // empty: the album-information service is skipped
    QString albumInfoAgent;
    bool cacheOnly = false;   // the user accepted to work offline

    // The configured services, keys from the environment, the settings or
    // the deployment tables (rotated), identities from the tables or the
    // program's own.
    static NetworkSetup fromSettings(SettingsStore& settings, bool cacheOnly);
};

class NetworkTagLookup final : public NetworkTagSource {
public:
    // Makes the setup of each run (cacheOnly when the user accepted to work offline).
    using SetupFactory = std::function<NetworkSetup(bool cacheOnly)>;
    explicit NetworkTagLookup(SetupFactory factory);
    // Reads the user's settings at the start of every run.
    static std::shared_ptr<NetworkTagLookup> fromUserSettings();

    void startRun(quint32 flags) override;

    std::optional<naming::TagValues> lookupTags(const LookupContext& context, const QString& path,
                                                const std::optional<naming::TagValues>& query) override;
    tags::TagPicture lookupArtwork(const LookupContext& context, const naming::TagValues& query,
                                   ArtworkCache& cache) override;

    // The AcoustID answer for the file: from the cache (by content), else
    // fingerprinted and asked. nullopt when none.
    std::optional<FingerprintResult> fingerprintLookup(const LookupContext& context, const QString& path);

    static QString missingAcoustIdKeyText();   // "AcoustID lookups need a client key: see Preferences"
    static QString missingAlbumInfoKeyText();
    // What the run could not do for want of keys, each said once.
    QStringList notices() const;

private:
    using ArtistList = QList<ArtistAlbums>;

    void addArtistAlbums(const LookupContext& context, ArtistList& artists, const QString& name,
                         const QString& id = QString());
    const ArtistAlbums* findArtist(const ArtistList& artists, const QString& name) const;
    std::optional<Candidate> matchTrack(const LookupContext& context, const QString& artist, const AlbumEntry& album,
                                        const QString& title, int score);
    std::optional<Candidate> fingerprintCandidate(const LookupContext& context, const FingerprintResult& result,
                                                  const TrackChoice& choice, const ArtistAlbums& known);
    void noticeOnce(const LookupContext& context, const QString& text);

    void configure(const NetworkSetup& setup);

    SetupFactory m_factory;
    NetworkSetup m_setup;
    MusicBrainzClient m_musicBrainz;
    AcoustIdClient m_acoustId;
    CoverArtClient m_coverArt;
    AlbumInfoClient m_albumInfo;
    QStringList m_notices;
};

} // namespace tagmint::network
