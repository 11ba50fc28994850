#pragma once
// Who the program is: names, version and links, filled once at start and
// read from any thread. The network layer's default client identification
// is made from it.

#include <QString>

namespace tagmint::collection {

struct ApplicationIdentity {
    QString applicationName;
    QString bundleName;
    QString displayName;
    QString version;
    QString webSite;
    QString supportLink;
    QString storeLink;
    QString storeIdentifier;
    QString applicationCode;   // four characters
    QString vendorName;
    QString vendorDomain;
};

// Each field is cut to 259 characters, as the stored record keeps them.
void setApplicationIdentity(const ApplicationIdentity& identity);
ApplicationIdentity applicationIdentity();
// "%s/%s +%s": name, version and web site.
QString clientIdentification();

// Tagmint's own identity.
ApplicationIdentity tagmintIdentity(const QString& version);

} // namespace tagmint::collection
