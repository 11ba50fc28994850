#pragma once
// Our own MP3 reader, for when FFmpeg is not used: facts from our frame
// analysis (MpegAudioFrames), decoding through libmpg123.

#include "audio/QZAudioReader.h"

#include <QByteArray>

struct mpg123_handle_struct;

namespace tagmint::audio {

class Mp3AudioReader final : public QZAudioReader {
public:
    // Errors: 7 when our analysis finds no Layer III stream (fewer than 13
    // frames and no VBR header included) or libmpg123 cannot decode it, 4
    // when the file cannot be opened, 5 when the decoder cannot be made.
    explicit Mp3AudioReader(const QByteArray& fileSystemPath);
    ~Mp3AudioReader() override;
    Mp3AudioReader(const Mp3AudioReader&) = delete;
    Mp3AudioReader& operator=(const Mp3AudioReader&) = delete;

    bool isVbr() const { return m_isVbr; }

    bool numberProperty(Property property, qint64* value) const override;
    bool textProperty(Property property, QString* value) const override;
    qint64 readPcm(std::vector<qint16>& samples) override;

private:
    mpg123_handle_struct* m_decoder = nullptr;
    int m_bitrateKbps = 0;
    bool m_isVbr = false;
    bool m_ended = false;
};

} // namespace tagmint::audio
