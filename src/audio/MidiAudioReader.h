#pragma once
// A reader for standard MIDI files (".mid"): it answers the duration from
// the file's tempo map, rounded up to whole seconds. There is no synthesizer,
// so it has no sample rate, no channels and no PCM.

#include "audio/QZAudioReader.h"

#include <QByteArray>

namespace tagmint::audio {

class MidiAudioReader final : public QZAudioReader {
public:
    // Errors: 4 when the file cannot be read, 10 when it is not a standard
    // MIDI file, 7 when its header is damaged.
    explicit MidiAudioReader(const QByteArray& fileSystemPath);

    // The duration computed from raw file bytes, exposed for tests; -1 when
    // the bytes are not a standard MIDI file.
    static qint64 durationMicroseconds(const QByteArray& bytes, int* error = nullptr);

    bool numberProperty(Property property, qint64* value) const override;
    bool textProperty(Property property, QString* value) const override;
    // No sound: at once the end.
    qint64 readPcm(std::vector<qint16>& samples) override;

private:
    qint64 m_durationMs = 0;
};

} // namespace tagmint::audio
