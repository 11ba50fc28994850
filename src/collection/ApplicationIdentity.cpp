#include "collection/ApplicationIdentity.h"

#include <QMutex>
#include <QMutexLocker>

namespace tagmint::collection {

namespace {

constexpr qsizetype kFieldLength = 259;

QMutex& identityMutex()
{
    static QMutex mutex;
    return mutex;
}

ApplicationIdentity& storedIdentity()
{
    static ApplicationIdentity identity;
    return identity;
}

} // namespace

void setApplicationIdentity(const ApplicationIdentity& identity)
{
    ApplicationIdentity cut = identity;
    for (QString* field : {&cut.applicationName, &cut.bundleName, &cut.displayName, &cut.version,
                           &cut.webSite, &cut.supportLink, &cut.storeLink, &cut.storeIdentifier,
                           &cut.applicationCode, &cut.vendorName, &cut.vendorDomain})
        field->truncate(kFieldLength);
    QMutexLocker locker(&identityMutex());
    storedIdentity() = cut;
}

ApplicationIdentity applicationIdentity()
{
    QMutexLocker locker(&identityMutex());
    return storedIdentity();
}

QString clientIdentification()
{
    const ApplicationIdentity identity = applicationIdentity();
    return QStringLiteral("%1/%2 +%3").arg(identity.applicationName, identity.version, identity.webSite);
}

ApplicationIdentity tagmintIdentity(const QString& version)
{
    ApplicationIdentity identity;
    identity.applicationName = QStringLiteral("Tagmint");
    identity.bundleName = QStringLiteral("tagmint");
    identity.displayName = QStringLiteral("Tagmint");
    identity.version = version;
    identity.webSite = QStringLiteral("https://tagmint.org");
    identity.supportLink = QStringLiteral("https://tagmint.org/support");
    identity.applicationCode = QStringLiteral("TgMt");
    identity.vendorName = QStringLiteral("Tagmint");
    identity.vendorDomain = QStringLiteral("tagmint.org");
    return identity;
}

} // namespace tagmint::collection
