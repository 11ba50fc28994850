#pragma once
// The ID3v2 tag (created when absent) and ID3v1 tag of a TrueAudio file;
// field rules as for MPEG files.

#include "tags/QZTagLibMPEGTag.h"

namespace TagLib::TrueAudio { class File; }

class QZTagLibTTATag : public QZTagLibMPEGTag {
public:
    QZTagLibTTATag() = default;
    ~QZTagLibTTATag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;
    // Between the ID3v2 and ID3v1 tags.
    tagmint::tags::AudioLayout audioLayout() override;
    bool isReadOnly() const override;
    // "ID3v1, " when the file carries one, then the ID3v2 version.
    QString tagFormat() const override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False unless a "TTA1" stream follows the ID3v2 tag, if any.
    bool openFile(const QString& path, quint32 flags) override;

private:
    // TagLib's reading of the stream, whose audio begins at `audioStart`.
    bool parseStream(qint64 audioStart);

    TagLib::TrueAudio::File* m_ttaFile = nullptr;
    qint64 m_audioStart = 0;
};
