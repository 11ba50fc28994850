#pragma once
// tagmint-cli fingerprint PATH...: per file one JSON line with the duration
// and the Chromaprint fingerprint a network lookup would send.

#include <QStringList>
#include <QTextStream>

namespace tagmint::cli {

// Exit 0 when every file gave a fingerprint, 1 when any did not.
int runFingerprint(const QStringList& paths, QTextStream& out, QTextStream& err);

} // namespace tagmint::cli
