#include "network/NetworkTestSupport.h"

#include "network/ResultCache.h"

#include <QDir>

namespace tagmint::test {

network::NetworkConfig standInConfig(const QString& baseUrl, int timeoutMs)
{
    using network::Service;
    network::NetworkConfig config;
    for (Service service : {Service::MusicBrainz, Service::AcoustId, Service::CoverArt, Service::AlbumInfo}) {
        config.setBaseUrl(service, baseUrl);
        config.setPaceMs(service, 0);
    }
    config.setTimeoutMs(timeoutMs);
    return config;
}

namespace {

QString escaped(const QString& text) { return text.toHtmlEscaped(); }

QString artistCreditXml(const TestRelease& release)
{
    QString xml = QStringLiteral("<artist-credit>");
    for (int i = 0; i < release.creditCount; ++i)
        xml += QStringLiteral("<name-credit><artist id=\"%1%2\"><name>%3</name></artist></name-credit>")
                   .arg(escaped(release.artistId), i ? QString::number(i) : QString(), escaped(release.artist));
    return xml + QStringLiteral("</artist-credit>");
}

QString releaseXml(const TestRelease& release, const QString& media)
{
    QString types;
    for (const QString& type : release.secondaryTypes)
        types += QStringLiteral("<secondary-type>%1</secondary-type>").arg(escaped(type));
    if (!types.isEmpty())
        types = QStringLiteral("<secondary-type-list>%1</secondary-type-list>").arg(types);
    return QStringLiteral("<release id=\"%1\"><title>%2</title><status>Official</status>%3"
                          "<release-group id=\"rg-%1\" type=\"Album\"><title>%2</title>"
                          "<primary-type>Album</primary-type>%4</release-group>%5"
                          "<barcode>bc-%1</barcode>%6</release>")
        .arg(escaped(release.id), escaped(release.title), artistCreditXml(release), types,
             release.date.isEmpty() ? QString() : QStringLiteral("<date>%1</date>").arg(release.date), media);
}

const char* kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                    "<metadata xmlns=\"http://musicbrainz.org/ns/mmd-2.0#\">";

} // namespace

QByteArray releaseSearchXml(const QList<TestRelease>& releases, int total, int offset)
{
    QString xml = QString::fromLatin1(kHead) + QStringLiteral("<release-list count=\"%1\" offset=\"%2\">").arg(total).arg(offset);
    for (const TestRelease& release : releases)
        xml += releaseXml(release, QStringLiteral("<medium-list count=\"1\"><track-count>%1</track-count>"
                                                  "<medium><format>CD</format><track-list count=\"%1\"/></medium>"
                                                  "</medium-list>")
                                       .arg(release.trackCount));
    return (xml + QStringLiteral("</release-list></metadata>")).toUtf8();
}

QByteArray releaseDetailsXml(const TestRelease& release, const QStringList& trackTitles)
{
    QString tracks;
    for (int i = 0; i < trackTitles.size(); ++i)
        tracks += QStringLiteral("<track id=\"t%1\"><position>%2</position><number>%2</number>"
                                 "<recording id=\"rec-%3-%2\"><title>%4</title><length>%5</length></recording></track>")
                      .arg(i)
                      .arg(i + 1)
                      .arg(escaped(release.id), escaped(trackTitles.at(i)))
                      .arg(180000 + i * 1000);
    const QString media = QStringLiteral("<medium-list count=\"1\"><medium><position>1</position><title>Disc 1</title>"
                                         "<track-list count=\"%1\" offset=\"0\">%2</track-list></medium></medium-list>")
                              .arg(trackTitles.size())
                              .arg(tracks);
    return (QString::fromLatin1(kHead) + releaseXml(release, media) + QStringLiteral("</metadata>")).toUtf8();
}

void clearNetworkCaches()
{
    using network::ResultCache;
    for (ResultCache* cache : {&ResultCache::artistAlbums(), &ResultCache::albumDetails(), &ResultCache::fingerprints(),
                               &ResultCache::coverArt(), &ResultCache::albumInfo()}) {
        QDir directory(cache->directory());
        for (const QString& bucket : directory.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(directory.filePath(bucket)).removeRecursively();
    }
}

} // namespace tagmint::test
