#pragma once
// Audio facts of one file as the probe reports them.

#include <QString>

struct QZAudioProperties {
    // What the file was when probed; the caches compare these.
    quint64 fileSize = 0;
    quint64 modificationTime = 0;  // nanoseconds since 1970

    int sampleRate = 0;      // Hz
    int bitrate = 0;         // kbit/s
    int channels = 0;
    qint64 durationMs = 0;
    QString channelsText;    // "stereo", "5.1 side", ...
    QString formatText;
    QString codecText;
};
