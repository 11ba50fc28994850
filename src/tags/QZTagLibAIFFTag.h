#pragma once
// The ID3v2 tag of an AIFF file's ID3 chunk; field rules as for MPEG files.

#include "tags/QZTagLibMPEGTag.h"

class QZTagLibAIFFTag : public QZTagLibMPEGTag {
public:
    QZTagLibAIFFTag() = default;
    ~QZTagLibAIFFTag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;

    QString tagFormat() const override { return id3v2VersionText(); }
    bool hasID3v1Tag() const override { return false; }
    bool isReadOnly() const override;
    tagmint::tags::AudioLayout audioLayout() override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False for anything but a FORM container of type AIFF or AIFC.
    bool openFile(const QString& path, quint32 flags) override;

private:
    class File;

    File* m_aiffFile = nullptr;
};
