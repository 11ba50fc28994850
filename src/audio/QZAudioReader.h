#pragma once
// An open audio file that answers its properties and decodes it to PCM.
// Readers are made by openAudioReader() (OpenAudioReader.h); a reader that
// could not open its file carries an error code and answers nothing else.

#include <QString>
#include <vector>

namespace tagmint::audio {

// Reader error codes; readerErrorText() gives their words.
enum ReaderError : int {
    NoError = 0,
    CouldNotOpenFile = 4,
    NotEnoughMemory = 5,
    FileDoesNotExist = 6,
    CorruptedFile = 7,
    FormatNotSupported = 10,
    FFmpegCouldNotOpenFile = 101,
    DrmProtectedFile = 102,
    CodecNotAvailable = 103,
    CodecNotSupported = 104,
    NoAudioStream = 105,
    CouldNotOpenAudioStream = 106,
};

// "Could not open file", "DRM protected file", ...; "" for other codes.
QString readerErrorText(int code);

// frames / rate in milliseconds, in integer arithmetic (whole seconds first,
// so nothing overflows); 0 for a rate of 0.
quint64 framesToMilliseconds(quint64 frames, int sampleRate);

class QZAudioReader {
public:
    // Property numbers of numberProperty() and textProperty().
    enum Property : int {
        BytesPerSample = 7,
        BitrateKbps = 8,
        DurationMs = 10,
        FormatText = 11,
        CodecText = 12,
        ChannelsText = 14,
        BitsPerChannel = 4096,
        BitrateBps = 4097,
    };

    virtual ~QZAudioReader();

    // 0 when the reader is open and usable.
    int error() const { return m_error; }
    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }
    // Sample frames (samples per channel) in the file, 0 when unknown.
    quint64 frameCount() const { return m_frameCount; }

    // True when the reader supplies the property; `value` is then set.
    virtual bool numberProperty(Property property, qint64* value) const;
    virtual bool textProperty(Property property, QString* value) const;

    // The next block of interleaved signed 16-bit PCM at sampleRate() with
    // channels() channels: one second (sampleRate() frames), fewer at the
    // end. Answers the frames delivered, 0 at the end, -1 when decoding
    // failed or the reader is not open.
    virtual qint64 readPcm(std::vector<qint16>& samples);

    // The reader's channel description ("Stereo", "Mono", "%i Channels", or
    // its own text); "Unknown (<error text>)" for a reader that is not open.
    QString channelsText() const;
    // Duration in milliseconds: the reader's own, else from the frame count.
    quint64 durationMs() const;
    // Bit rate in kbit/s: the reader's own when positive, else computed from
    // channels, sample rate and bytes per sample (2 when unknown).
    int bitrateEstimate() const;

protected:
    QZAudioReader() = default;
    void setChannels(int channels) { m_channels = channels < 0 ? 0 : channels > 255 ? 255 : channels; }

    int m_error = NoError;
    int m_sampleRate = 0;
    int m_channels = 0;  // 0..255
    quint64 m_frameCount = 0;
};

// A reader that could not open its file: it carries only the error.
class QZFailedAudioReader final : public QZAudioReader {
public:
    explicit QZFailedAudioReader(int errorCode) { m_error = errorCode; }
};

} // namespace tagmint::audio
