#pragma once
// Audio facts of one file as the probe reports them.

#include <QString>

struct QZAudioProperties {
    int sampleRate = 0;      // Hz
    int bitrate = 0;         // kbit/s
    int channels = 0;
    qint64 durationMs = 0;
    QString channelsText;    // "stereo", "5.1 side", ...
    QString formatText;
    QString codecText;
};
