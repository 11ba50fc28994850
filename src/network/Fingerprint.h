#pragma once
// The audio fingerprint AcoustID identifies a recording by: Chromaprint over
// the first two minutes of decoded sound, with the file's duration; and the
// key under which a file's answer is cached, taken from its content so that
// a moved or renamed copy finds it.

#include <QByteArray>
#include <QString>
#include <optional>

namespace tagmint::network {

struct AudioFingerprint {
    QByteArray fingerprint;   // Chromaprint's compressed, Base64 text
    int durationSeconds = 0;
};

// Shorter files are never sent: too little sound to identify.
inline constexpr int kMinFingerprintSeconds = 6;

// The fingerprint of the file's first maxSeconds (0: 120) of sound. nullopt
// with error set ("Could not read audio", "Audio too short to identify")
// when it cannot be made.
std::optional<AudioFingerprint> computeFingerprint(const QString& path, int maxSeconds = 0, QString* error = nullptr);

// MD5 (hex) of the file's size (8 bytes, little-endian), its first 4096
// bytes and, for larger files, its last 4096 bytes. Empty when the file
// cannot be read.
QByteArray fingerprintContentKey(const QString& path);

} // namespace tagmint::network
