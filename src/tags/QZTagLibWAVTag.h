#pragma once
// Tags of a WAV file: the ID3v2 chunk is the master for every field, the
// RIFF INFO list a fallback when reading and a copy when saving. A file
// whose RIFF structure is damaged is mended (see WavRepair.h) when it is
// opened for writing.

#include "tags/QZTagLibMPEGTag.h"

#include <QByteArray>
#include <optional>

namespace TagLib {
class Tag;
namespace RIFF::Info { class Tag; }
}

class QZTagLibWAVTag : public QZTagLibMPEGTag {
public:
    QZTagLibWAVTag() = default;
    ~QZTagLibWAVTag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;

    QString title() const override;
    QString artist() const override;
    QString album() const override;
    QString comment() const override;
    QString genre() const override;
    QString copyright() const override;
    QString encodedBy() const override;
    int year() const override;

    QString tagFormat() const override;
    bool isReadOnly() const override;
    tagmint::tags::AudioLayout audioLayout() override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // A file our RIFF walk finds damaged is repaired when opened for writing.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;

private:
    class File;

    using InfoGetter = TagLib::String (TagLib::Tag::*)() const;

    // `value` when it is not empty, else the INFO list's: TagLib's reading
    // of it (when a getter is given), then our raw scan for `rawId`.
    QString withInfoFallback(const QString& value, InfoGetter getter, const char* rawId) const;
    // The text of the first INFO entry `id` found in the list's bytes.
    QString rawInfoText(const char* id) const;
    void copyIntoInfoTag();

    File* m_wavFile = nullptr;
    TagLib::RIFF::Info::Tag* m_infoTag = nullptr;   // owned by the file object
    mutable std::optional<QByteArray> m_rawInfoList;
};
