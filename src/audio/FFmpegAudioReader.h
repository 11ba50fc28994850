#pragma once
// The reader that goes through FFmpeg (libavformat, libavcodec,
// libswresample): container and codec facts of any format FFmpeg knows, and
// decoding to 16-bit PCM.

#include "audio/QZAudioReader.h"

#include <QByteArray>
#include <memory>

namespace tagmint::audio {

class FFmpegAudioReader final : public QZAudioReader {
public:
    enum class Purpose {
        Properties,  // facts only; no decoder is opened
        Decoding,    // also opens the decoder, so readPcm() works
    };

    // Opens and analyses the file. Refuses extensions that are never audio
    // (error 104), inputs FFmpeg opened as the wrong kind of file (7) and
    // protected content (102). Never waits on anything but a regular file,
    // and gives up on an analysis that has not finished after a minute.
    FFmpegAudioReader(const QByteArray& fileSystemPath, Purpose purpose);
    ~FFmpegAudioReader() override;

    // The container's description, "" unless the reader is open.
    QString formatText() const;
    // The codec's description ("" when FFmpeg does not know the codec).
    QString codecText() const;
    // "mono", "stereo", or FFmpeg's name of the layout ("5.1", "12 channels").
    QString layoutText() const;
    // The stream's channel count as FFmpeg reports it (channels() is capped at 255).
    int streamChannels() const;
    // bit/s: the codec's, else the container's; 0 when unknown.
    qint64 bitrate() const;
    // The stream's duration, else the container's; 0 when unknown.
    quint64 streamDurationMs() const;

    bool numberProperty(Property property, qint64* value) const override;
    bool textProperty(Property property, QString* value) const override;
    qint64 readPcm(std::vector<qint16>& samples) override;

    // The FFmpeg version this build runs with, for diagnostics.
    static QString versionText();

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace tagmint::audio
