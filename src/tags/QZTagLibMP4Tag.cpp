#include "tags/QZTagLibMP4Tag.h"

#include "tags/ImageCodec.h"
#include "tags/Mp4AtomWalker.h"
#include "tags/TagLibGuard.h"
#include "tags/TagLibText.h"
#include "tags/WindowedFile.h"

#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4item.h>
#include <taglib/mp4tag.h>

#include <climits>
#include <memory>

using namespace tagmint::tags;

namespace {

// Item keys are Latin-1: three begin with the byte 0xA9 ("©").
TagLib::String itemKey(const char* key)
{
    return TagLib::String(key, TagLib::String::Latin1);
}

const TagLib::String& albumArtistKey()
{
    static const TagLib::String key = itemKey("aART");
    return key;
}
const TagLib::String& tempoKey()
{
    static const TagLib::String key = itemKey("tmpo");
    return key;
}
const TagLib::String& initialKeyKey()
{
    static const TagLib::String key = itemKey("----:com.apple.iTunes:initialkey");
    return key;
}
const TagLib::String& encodedByKey()
{
    static const TagLib::String key = itemKey("\xA9" "too");
    return key;
}
const TagLib::String& groupingKey()
{
    static const TagLib::String key = itemKey("\xA9" "grp");
    return key;
}
const TagLib::String& composerKey()
{
    static const TagLib::String key = itemKey("\xA9" "wrt");
    return key;
}
const TagLib::String& copyrightKey()
{
    static const TagLib::String key = itemKey("cprt");
    return key;
}
const TagLib::String& trackKey()
{
    static const TagLib::String key = itemKey("trkn");
    return key;
}
const TagLib::String& discKey()
{
    static const TagLib::String key = itemKey("disk");
    return key;
}
const TagLib::String& coverKey()
{
    static const TagLib::String key = itemKey("covr");
    return key;
}

QByteArray bytesOf(const TagLib::ByteVector& data)
{
    return QByteArray(data.data(), qsizetype(data.size()));
}

} // namespace

QZTagLibMP4Tag::~QZTagLibMP4Tag()
{
    closeFile();
}

const QStringList& QZTagLibMP4Tag::supportedExtensions()
{
    static const QStringList extensions{QStringLiteral("m4a"), QStringLiteral("mp4"),
                                        QStringLiteral("mov"), QStringLiteral("3gp"),
                                        QStringLiteral("3g2")};
    return extensions;
}

bool QZTagLibMP4Tag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibMP4Tag::openFile(const QString& /*path*/, quint32 /*flags*/)
{
    // TagLib 1.13 takes junk, cut-off and inconsistent files; our walk
    // has the last word.
    WindowedFile walked(streamFile());
    if (!mp4::checkMp4(walked).holds())
        return false;
    auto file = std::make_unique<TagLib::MP4::File>(stream(), false, TagLib::AudioProperties::Average);
    if (!file->isValid())
        return false;
    TagLib::MP4::Tag* tag = file->tag();
    if (!tag)
        return false;

    m_tag = tag;
    m_file = file.release();
    return true;
}

void QZTagLibMP4Tag::closeTagLibFile()
{
    m_tag = nullptr;
    delete m_file;
    m_file = nullptr;
}

bool QZTagLibMP4Tag::writeTags()
{
    if (!m_file || !m_tag)
        return false;
    try {
        flushIntermediateValues();
        return m_file->save();
    } catch (...) {
        return false;
    }
}

AudioLayout QZTagLibMP4Tag::audioLayout()
{
    // The payload of every top-level media data atom, and the chunk offsets
    // pointing into it, as the file is now (a save may have moved them).
    AudioLayout layout;
    WindowedFile file(path());
    if (m_file && file.open())
        mp4::checkMp4(file, &layout.pointers, &layout.ranges);
    return layout;
}

bool QZTagLibMP4Tag::isReadOnly() const
{
    return m_file && guarded(false, [&] { return m_file->readOnly(); });
}

// --- Items ------------------------------------------------------------------

QString QZTagLibMP4Tag::stringItem(const TagLib::String& key) const
{
    if (!m_tag || key.isEmpty())
        return QString();
    return guarded(QString(), [&] {
        if (!m_tag->contains(key))
            return QString();
        return fromTagLib(m_tag->item(key).toStringList().toString(" "));
    });
}

void QZTagLibMP4Tag::setStringItem(const TagLib::String& key, const QString& text)
{
    // Rewriting an item in the joined form the record shows would merge
    // several strings into one.
    if (!m_tag || key.isEmpty() || stringItem(key) == text)
        return;
    guardedVoid([&] {
        if (text.isEmpty())
            m_tag->removeItem(key);
        else
            m_tag->setItem(key, TagLib::MP4::Item(TagLib::StringList(toTagLib(text))));
    });
}

int QZTagLibMP4Tag::intItem(const TagLib::String& key) const
{
    if (!m_tag || key.isEmpty())
        return 0;
    return guarded(0, [&] { return m_tag->contains(key) ? m_tag->item(key).toInt() : 0; });
}

void QZTagLibMP4Tag::setIntItem(const TagLib::String& key, int value)
{
    if (!m_tag || key.isEmpty())
        return;
    guardedVoid([&] { m_tag->setItem(key, TagLib::MP4::Item(value)); });
}

// --- Fields -----------------------------------------------------------------

namespace {

QString genericText(const TagLib::MP4::Tag* tag, TagGetter getter)
{
    return tag ? guarded(QString(), [&] { return fromTagLib((tag->*getter)()); }) : QString();
}

void setGenericText(TagLib::MP4::Tag* tag, TagGetter getter, TagSetter setter, const QString& value)
{
    // TagLib reads several strings joined with ", "; writing that back would
    // merge them into one.
    if (!tag || genericText(tag, getter) == value)
        return;
    guardedVoid([&] { (tag->*setter)(toTagLib(value)); });
}

} // namespace

QString QZTagLibMP4Tag::title() const
{
    return genericText(m_tag, &TagLib::Tag::title);
}

void QZTagLibMP4Tag::setTitle(const QString& value)
{
    setGenericText(m_tag, &TagLib::Tag::title, &TagLib::Tag::setTitle, value);
}

QString QZTagLibMP4Tag::artist() const
{
    return genericText(m_tag, &TagLib::Tag::artist);
}

void QZTagLibMP4Tag::setArtist(const QString& value)
{
    setGenericText(m_tag, &TagLib::Tag::artist, &TagLib::Tag::setArtist, value);
}

QString QZTagLibMP4Tag::album() const
{
    return genericText(m_tag, &TagLib::Tag::album);
}

void QZTagLibMP4Tag::setAlbum(const QString& value)
{
    setGenericText(m_tag, &TagLib::Tag::album, &TagLib::Tag::setAlbum, value);
}

QString QZTagLibMP4Tag::comment() const
{
    return genericText(m_tag, &TagLib::Tag::comment);
}

void QZTagLibMP4Tag::setComment(const QString& value)
{
    setGenericText(m_tag, &TagLib::Tag::comment, &TagLib::Tag::setComment, value);
}

QString QZTagLibMP4Tag::genre() const
{
    return genericText(m_tag, &TagLib::Tag::genre);
}

void QZTagLibMP4Tag::setGenre(const QString& value)
{
    setGenericText(m_tag, &TagLib::Tag::genre, &TagLib::Tag::setGenre, value);
}

int QZTagLibMP4Tag::year() const
{
    if (!m_tag)
        return 0;
    const unsigned int value = guarded(0u, [&] { return m_tag->year(); });
    return value > unsigned(INT_MAX) ? INT_MAX : int(value);
}

void QZTagLibMP4Tag::setYear(int value)
{
    const unsigned int year = unsigned(qMax(value, 0));
    // A full date ("2004-05-06") reads as its year; it is only rewritten
    // when the year changes.
    if (!m_tag || guarded(0u, [&] { return m_tag->year(); }) == year)
        return;
    guardedVoid([&] { m_tag->setYear(year); });
}

QString QZTagLibMP4Tag::albumArtist() const
{
    return stringItem(albumArtistKey());
}

void QZTagLibMP4Tag::setAlbumArtist(const QString& value)
{
    setStringItem(albumArtistKey(), value);
}

int QZTagLibMP4Tag::tempo() const
{
    return intItem(tempoKey());
}

void QZTagLibMP4Tag::setTempo(int value)
{
    setIntItem(tempoKey(), value);
}

QString QZTagLibMP4Tag::initialKey() const
{
    return stringItem(initialKeyKey());
}

void QZTagLibMP4Tag::setInitialKey(const QString& value)
{
    setStringItem(initialKeyKey(), value);
}

QString QZTagLibMP4Tag::encodedBy() const
{
    return stringItem(encodedByKey());
}

void QZTagLibMP4Tag::setEncodedBy(const QString& value)
{
    setStringItem(encodedByKey(), value);
}

QString QZTagLibMP4Tag::grouping() const
{
    return stringItem(groupingKey());
}

void QZTagLibMP4Tag::setGrouping(const QString& value)
{
    setStringItem(groupingKey(), value);
}

QString QZTagLibMP4Tag::composer() const
{
    return stringItem(composerKey());
}

void QZTagLibMP4Tag::setComposer(const QString& value)
{
    setStringItem(composerKey(), value);
}

QString QZTagLibMP4Tag::copyright() const
{
    return stringItem(copyrightKey());
}

void QZTagLibMP4Tag::setCopyright(const QString& value)
{
    setStringItem(copyrightKey(), value);
}

void QZTagLibMP4Tag::loadIntermediateValues()
{
    if (!m_tag)
        return;
    guardedVoid([&] {
        if (m_tag->contains(trackKey())) {
            const TagLib::MP4::Item::IntPair track = m_tag->item(trackKey()).toIntPair();
            m_trackNumber = qMax(track.first, 0);
            m_tracksTotal = qMax(track.second, 0);
        }
        if (m_tag->contains(discKey())) {
            const TagLib::MP4::Item::IntPair disc = m_tag->item(discKey()).toIntPair();
            m_discNumber = qMax(disc.first, 0);
            m_discsTotal = qMax(disc.second, 0);
        }
    });
}

void QZTagLibMP4Tag::flushIntermediateValues()
{
    if (!m_tag)
        return;
    // Both pairs are always written, 0/0 when there is no number.
    guardedVoid([&] {
        m_tag->setItem(trackKey(), TagLib::MP4::Item(qMax(m_trackNumber, 0), qMax(m_tracksTotal, 0)));
        m_tag->setItem(discKey(), TagLib::MP4::Item(qMax(m_discNumber, 0), qMax(m_discsTotal, 0)));
    });
}

// --- Covers -----------------------------------------------------------------

QList<QZTagLibTagImage> QZTagLibMP4Tag::images() const
{
    QList<QZTagLibTagImage> result;
    if (!m_tag)
        return result;
    guardedVoid([&] {
        if (!m_tag->contains(coverKey()))
            return;
        for (const TagLib::MP4::CoverArt& cover : m_tag->item(coverKey()).toCoverArtList()) {
            const QImage image = decodeImage(bytesOf(cover.data()));
            if (!image.isNull())
                result.append(QZTagLibTagImage{image, std::nullopt});
        }
    });
    return result;
}

TagPicture QZTagLibMP4Tag::firstPicture() const
{
    TagPicture first;
    if (!m_tag)
        return first;
    guardedVoid([&] {
        if (!m_tag->contains(coverKey()))
            return;
        for (const TagLib::MP4::CoverArt& cover : m_tag->item(coverKey()).toCoverArtList()) {
            first = pictureFromBytes(bytesOf(cover.data()));
            if (!first.image.isNull())
                return;
        }
    });
    return first;
}

QSize QZTagLibMP4Tag::decodableImageSize() const
{
    if (!m_tag)
        return QSize();
    return guarded(QSize(), [&] {
        if (!m_tag->contains(coverKey()))
            return QSize();
        for (const TagLib::MP4::CoverArt& cover : m_tag->item(coverKey()).toCoverArtList()) {
            const TagLib::ByteVector data = cover.data();
            if (const QSize size = decodableSize(viewOf(data)); size.isValid())
                return size;
        }
        return QSize();
    });
}

bool QZTagLibMP4Tag::hasImages() const
{
    return m_tag && guarded(false, [&] {
        return m_tag->contains(coverKey())
            && !m_tag->item(coverKey()).toCoverArtList().isEmpty();
    });
}

void QZTagLibMP4Tag::removePictures()
{
    if (m_tag)
        guardedVoid([&] { m_tag->removeItem(coverKey()); });
}

void QZTagLibMP4Tag::storePicture(const EncodedImage& encoded, const QImage& /*image*/)
{
    if (!m_tag)
        return;
    guardedVoid([&] {
        const TagLib::MP4::CoverArt cover(
            encoded.isPng ? TagLib::MP4::CoverArt::PNG : TagLib::MP4::CoverArt::JPEG,
            TagLib::ByteVector(encoded.bytes.constData(),
                               static_cast<unsigned int>(encoded.bytes.size())));
        TagLib::MP4::CoverArtList covers;
        if (m_tag->contains(coverKey()))
            covers = m_tag->item(coverKey()).toCoverArtList();
        if (!covers.isEmpty())
            covers.erase(covers.begin());
        covers.prepend(cover);
        m_tag->setItem(coverKey(), TagLib::MP4::Item(covers));
    });
}
