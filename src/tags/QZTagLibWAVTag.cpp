#include "tags/QZTagLibWAVTag.h"

#include "tags/NumberPair.h"
#include "tags/RiffWalker.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"
#include "tags/WavRepair.h"
#include "tags/WindowedFile.h"
#include "util/TextConversion.h"

#include <QtEndian>

#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/wavfile.h>

#include <climits>
#include <cstring>
#include <memory>

using namespace tagmint::tags;

namespace {

int clampToInt(unsigned int value)
{
    return value > unsigned(INT_MAX) ? INT_MAX : int(value);
}

} // namespace

// TagLib's WAV file, with the chunk access of its RIFF base open to the raw
// INFO scan.
class QZTagLibWAVTag::File : public TagLib::RIFF::WAV::File {
public:
    explicit File(TagLib::IOStream* stream)
        : TagLib::RIFF::WAV::File(stream, false, TagLib::AudioProperties::Average)
    {
    }
    ~File() override = default;

    QList<ByteRange> sampleData()
    {
        QList<ByteRange> ranges;
        for (unsigned int i = 0; i < chunkCount(); ++i) {
            if (chunkName(i) == "data")
                ranges.append(ByteRange{chunkOffset(i), chunkDataSize(i)});
        }
        return ranges;
    }

    // The bytes of the first INFO list; without one, of the first list of
    // any type (an "adtl" list of cue labels may come first).
    QByteArray infoListBytes()
    {
        QByteArray firstList;
        for (unsigned int i = 0; i < chunkCount(); ++i) {
            if (chunkName(i) != "LIST")
                continue;
            const TagLib::ByteVector data = chunkData(i);
            const QByteArray bytes(data.data(), qsizetype(data.size()));
            if (bytes.startsWith("INFO"))
                return bytes;
            if (firstList.isNull())
                firstList = bytes;
        }
        return firstList;
    }
};

QZTagLibWAVTag::~QZTagLibWAVTag()
{
    closeFile();
}

const QStringList& QZTagLibWAVTag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("wav")};
    return extensions;
}

bool QZTagLibWAVTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibWAVTag::openFile(const QString& path, quint32 flags)
{
    auto file = std::make_unique<File>(stream());
    if (!file->isOpen())
        return false;
    // TagLib 1.13 calls almost any file a valid WAV file, cut-off ones
    // included, and then "saves" without writing or writes new chunks in
    // front of the cut one; our own walk has the last word. Only a file it
    // finds damaged (a cut last chunk), or one TagLib rejects, is mended
    // before it is written.
    WindowedFile walked(streamFile());
    const riff::WaveCondition condition = riff::checkWave(walked);
    if (condition == riff::WaveCondition::NotWave)
        return false;
    if (!file->isValid() || condition == riff::WaveCondition::Damaged) {
        if (flags & OpenForWriting) {
            file.reset();
            // The repair replaces the file: the stream must read the new one.
            if (!wav::repairWavFile(path) || !reopenStream(path, flags))
                return false;
            file = std::make_unique<File>(stream());
            WindowedFile mended(streamFile());
            if (!file->isValid() || riff::checkWave(mended) != riff::WaveCondition::Intact)
                return false;
        } else if (flags & ReadBack) {
            return false;
        }
    }

    m_infoTag = file->InfoTag();
    m_id3v2Tag = file->ID3v2Tag();
    m_wavFile = file.release();
    return true;
}

void QZTagLibWAVTag::closeTagLibFile()
{
    QZTagLibMPEGTag::closeTagLibFile();
    delete m_wavFile;
    m_wavFile = nullptr;
    m_infoTag = nullptr;
    m_rawInfoList.reset();
}

bool QZTagLibWAVTag::writeTags()
{
    if (!m_wavFile)
        return false;
    try {
        flushIntermediateValues();
        TagLib::RIFF::WAV::File::TagTypes tags = TagLib::RIFF::WAV::File::AllTags;
        TagLib::File::StripTags strip = TagLib::File::StripNone;
        if (m_infoTag && m_id3v2Tag) {
            copyIntoInfoTag();
            // An empty INFO list is dropped from the file.
            if (m_infoTag->isEmpty() || m_id3v2Tag->isEmpty()) {
                tags = TagLib::RIFF::WAV::File::ID3v2;
                strip = TagLib::File::StripOthers;
            }
        }
        if (!m_infoTag && !m_id3v2Tag)
            return false;
        const bool ok = m_wavFile->save(tags, strip, TagLib::ID3v2::v4);
        // Stripping replaces TagLib's tag objects.
        m_infoTag = m_wavFile->InfoTag();
        m_id3v2Tag = m_wavFile->ID3v2Tag();
        m_rawInfoList.reset();
        return ok;
    } catch (...) {
        return false;
    }
}

AudioLayout QZTagLibWAVTag::audioLayout()
{
    return {m_wavFile ? m_wavFile->sampleData() : QList<ByteRange>(), {}};
}

// The INFO list gets copies of the ID3v2 values. Values that already match
// are left alone, so INFO texts TagLib reads differently ("2004-05-06" as
// year 2004, "3/12" as track 3) survive.
void QZTagLibWAVTag::copyIntoInfoTag()
{
    static constexpr struct {
        TagGetter get;
        TagSetter set;
    } kTexts[] = {
        {&TagLib::Tag::title, &TagLib::Tag::setTitle},
        {&TagLib::Tag::artist, &TagLib::Tag::setArtist},
        {&TagLib::Tag::album, &TagLib::Tag::setAlbum},
        {&TagLib::Tag::comment, &TagLib::Tag::setComment},
        {&TagLib::Tag::genre, &TagLib::Tag::setGenre},
    };
    for (const auto& text : kTexts) {
        const TagLib::String value = (m_id3v2Tag->*text.get)();
        if ((m_infoTag->*text.get)() != value)
            (m_infoTag->*text.set)(value);
    }
    if (m_infoTag->year() != m_id3v2Tag->year())
        m_infoTag->setYear(m_id3v2Tag->year());
    if (m_infoTag->track() != m_id3v2Tag->track())
        m_infoTag->setTrack(m_id3v2Tag->track());

    // Read from INFO as a fallback too: a value cleared or changed in the
    // ID3v2 tag must not come back from the old INFO entry.
    static constexpr struct {
        const char* frameId;
        const char* infoId;
    } kFallbackEntries[] = {{"TCOP", "ICOP"}, {"TENC", "IENC"}};
    for (const auto& entry : kFallbackEntries) {
        const TagLib::String value = toTagLib(textFrameValue(entry.frameId));
        if (m_infoTag->fieldText(entry.infoId) != value)
            m_infoTag->setFieldText(entry.infoId, value);
    }
}

QString QZTagLibWAVTag::withInfoFallback(const QString& value, InfoGetter getter, const char* rawId) const
{
    if (!value.isEmpty() || !m_wavFile)
        return value;
    QString info;
    if (getter && m_infoTag)
        info = guarded(QString(), [&] { return fromTagLib((m_infoTag->*getter)()); });
    if (info.isEmpty() && rawId)
        info = rawInfoText(rawId);
    return info;
}

// Finds entries TagLib's INFO reader misses, e.g. behind an odd-sized entry
// written without its pad byte.
QString QZTagLibWAVTag::rawInfoText(const char* id) const
{
    if (!m_wavFile)
        return QString();
    if (!m_rawInfoList)
        m_rawInfoList = guarded(QByteArray(), [&] { return m_wavFile->infoListBytes(); });
    const QByteArray& list = *m_rawInfoList;
    for (qsizetype offset = 0; offset + 8 <= list.size(); ++offset) {
        if (std::memcmp(list.constData() + offset, id, 4) != 0)
            continue;
        const quint32 length = qFromLittleEndian<quint32>(list.constData() + offset + 4);
        if (quint64(offset) + 8 + length > quint64(list.size()))
            continue;
        QByteArray text = list.mid(offset + 8, length);
        const qsizetype end = text.indexOf('\0');
        if (end >= 0)
            text.truncate(end);
        return tagmint::text::fromExternalBytes(text).trimmed();
    }
    return QString();
}

QString QZTagLibWAVTag::title() const
{
    return withInfoFallback(QZTagLibMPEGTag::title(), &TagLib::Tag::title, "INAM");
}

QString QZTagLibWAVTag::artist() const
{
    return withInfoFallback(QZTagLibMPEGTag::artist(), &TagLib::Tag::artist, "IART");
}

QString QZTagLibWAVTag::album() const
{
    return withInfoFallback(QZTagLibMPEGTag::album(), &TagLib::Tag::album, nullptr);
}

QString QZTagLibWAVTag::comment() const
{
    return withInfoFallback(QZTagLibMPEGTag::comment(), &TagLib::Tag::comment, "ICMT");
}

QString QZTagLibWAVTag::genre() const
{
    return withInfoFallback(QZTagLibMPEGTag::genre(), &TagLib::Tag::genre, nullptr);
}

QString QZTagLibWAVTag::copyright() const
{
    return withInfoFallback(QZTagLibMPEGTag::copyright(), nullptr, "ICOP");
}

QString QZTagLibWAVTag::encodedBy() const
{
    return withInfoFallback(QZTagLibMPEGTag::encodedBy(), nullptr, "IENC");
}

int QZTagLibWAVTag::year() const
{
    const int value = QZTagLibMPEGTag::year();
    if (value != 0 || !m_infoTag)
        return value;
    return guarded(0, [&] { return clampToInt(m_infoTag->year()); });
}

QString QZTagLibWAVTag::tagFormat() const
{
    if (!m_wavFile)
        return QString();
    QStringList parts;
    if (guarded(false, [&] { return m_wavFile->hasID3v2Tag(); }))
        parts << id3v2VersionText();
    if (guarded(false, [&] { return m_wavFile->hasInfoTag(); }))
        parts << QStringLiteral("Info");
    return parts.isEmpty() ? QStringLiteral("No tags") : parts.join(QStringLiteral(", "));
}

bool QZTagLibWAVTag::isReadOnly() const
{
    return m_wavFile && guarded(false, [&] { return m_wavFile->readOnly(); });
}

void QZTagLibWAVTag::loadIntermediateValues()
{
    QZTagLibMPEGTag::loadIntermediateValues();
    if (m_trackNumber == 0 && m_infoTag)
        m_trackNumber = guarded(0, [&] { return clampToInt(m_infoTag->track()); });
    if (m_trackNumber == 0) {
        // Only a number found there counts: an absent entry must not wipe
        // the total of a "/12" track frame.
        const NumberPair track = parseNumberPair(rawInfoText("ITRK"));
        if (track.number > 0) {
            m_trackNumber = track.number;
            m_tracksTotal = track.total;
        }
    }
}

void QZTagLibWAVTag::flushIntermediateValues()
{
    QZTagLibMPEGTag::flushIntermediateValues();
    if (!m_infoTag)
        return;
    guardedVoid([&] {
        const unsigned int track = unsigned(qMax(m_trackNumber, 0));
        if (m_infoTag->track() != track)
            m_infoTag->setTrack(track);
    });
}
