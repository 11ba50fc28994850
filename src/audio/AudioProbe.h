#pragma once
// The audio facts of one file for the audio columns: sample rate, bit rate,
// channels, duration and the channel, format and codec texts. Probing is
// cached in memory and on disk (AudioPropertiesCache); readAudioProperties
// is the uncached work underneath.

#include "record/QZAudioProperties.h"

#include <QByteArray>

namespace tagmint::audio {

// The facts of the file at `fileSystemPath` (the path's bytes as the file
// system has them), from the caches when the file's size and modification
// time are unchanged. False only when the file does not exist; otherwise
// true with the best facts found, "Unknown" or "Unknown (<reason>)" in the
// texts that could not be had. Thread-safe: probes of different files do
// not wait on each other.
bool probeAudioProperties(const QByteArray& fileSystemPath, QZAudioProperties* properties);

// The same without any cache. MP3 goes through our frame analysis first
// (FFmpeg only for VBR or what it cannot parse), FLAC through the reader
// chain, everything else through FFmpeg with our readers as fallback.
// `properties` keeps the file size and modification time it was given.
void readAudioProperties(const QByteArray& fileSystemPath, QZAudioProperties* properties);

} // namespace tagmint::audio
