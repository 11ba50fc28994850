#pragma once
// Our own reader of RIFF WAVE files with integer PCM (8, 16, 24 or 32 bits):
// facts from the "fmt " and "data" chunks, samples straight from the file.
// It needs no FFmpeg, so it also serves the WAV repair's decode check.

#include "audio/QZAudioReader.h"

#include <QByteArray>
#include <memory>

class QFile;

namespace tagmint::audio {

class WavAudioReader final : public QZAudioReader {
public:
    // Errors: 4 when the file cannot be read, 7 when it is not a WAVE file
    // with a usable "fmt " and "data" chunk, 10 for samples other than
    // integer PCM.
    explicit WavAudioReader(const QByteArray& fileSystemPath);
    ~WavAudioReader() override;

    int bitsPerSample() const { return m_bitsPerSample; }
    // Where the samples start and how many bytes of them the file holds
    // (a "data" chunk declaring more than the file has is cut to what is there).
    qint64 dataOffset() const { return m_dataOffset; }
    qint64 dataLength() const { return m_dataLength; }

    bool numberProperty(Property property, qint64* value) const override;
    bool textProperty(Property property, QString* value) const override;
    qint64 readPcm(std::vector<qint16>& samples) override;

private:
    int parse();

    std::unique_ptr<QFile> m_file;
    int m_bitsPerSample = 0;
    int m_blockAlign = 0;
    qint64 m_dataOffset = 0;
    qint64 m_dataLength = 0;
    qint64 m_readPosition = 0;  // bytes of data delivered
};

} // namespace tagmint::audio
