#include "tags/QZTagLibTag.h"

#include "tags/QZTagLibAIFFTag.h"
#include "tags/QZTagLibAPETag.h"
#include "tags/QZTagLibASFTag.h"
#include "tags/QZTagLibFLACTag.h"
#include "tags/QZTagLibMP4Tag.h"
#include "tags/QZTagLibMPEGTag.h"
#include "tags/QZTagLibOggTag.h"
#include "tags/QZTagLibTTATag.h"
#include "tags/QZTagLibWAVTag.h"

#include "tags/CopyOnWriteStream.h"
#include "tags/LockedFile.h"
#include "tags/SafeFileCommit.h"

#include <taglib/tfile.h>

namespace {

template <class Wrapper>
std::unique_ptr<QZTagLibTag> openAs(const QString& path, quint32 flags, QString* error)
{
    auto tag = std::make_unique<Wrapper>();
    if (tag->open(path, flags))
        return tag;
    if (error) {
        *error = tag->openError().isEmpty() ? QStringLiteral("the file's tags cannot be read")
                                            : tag->openError();
    }
    return nullptr;
}

struct WrapperClass {
    int order;
    const QStringList& (*supportedExtensions)();
    std::unique_ptr<QZTagLibTag> (*open)(const QString& path, quint32 flags, QString* error);
};

// Factory order decides which wrapper gets a path; each wrapper class takes
// exactly one line here, at its order number.
constexpr WrapperClass kWrapperClasses[] = {
    {1, &QZTagLibMPEGTag::supportedExtensions, &openAs<QZTagLibMPEGTag>},
    {2, &QZTagLibMP4Tag::supportedExtensions, &openAs<QZTagLibMP4Tag>},
    {3, &QZTagLibWAVTag::supportedExtensions, &openAs<QZTagLibWAVTag>},
    {4, &QZTagLibAIFFTag::supportedExtensions, &openAs<QZTagLibAIFFTag>},
    {5, &QZTagLibFLACTag::supportedExtensions, &openAs<QZTagLibFLACTag>},
    {6, &QZTagLibOggTag::supportedExtensions, &openAs<QZTagLibOggTag>},
    {7, &QZTagLibAPETag::supportedExtensions, &openAs<QZTagLibAPETag>},
    {8, &QZTagLibTTATag::supportedExtensions, &openAs<QZTagLibTTATag>},
    {9, &QZTagLibASFTag::supportedExtensions, &openAs<QZTagLibASFTag>},
};

constexpr bool inFactoryOrder()
{
    for (std::size_t i = 1; i < std::size(kWrapperClasses); ++i) {
        if (kWrapperClasses[i - 1].order >= kWrapperClasses[i].order)
            return false;
    }
    return true;
}
static_assert(inFactoryOrder(), "wrapper classes must be listed in factory order");

// The text after the last dot of the last path component, lower case;
// empty when that component has no dot.
QString lowerExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot + 1).toLower();
}

// How much larger than the file a save may make it, beyond the pictures
// handed over: room for any text a user may type, far below what a runaway
// write would reach.
constexpr qint64 kTagGrowthAllowance = qint64(16) << 20;

// Whether the file at `path` opens as a file of the kind `kindPath` names;
// if so, `layout` receives where it keeps its audio.
bool readsBackAs(const QString& kindPath, const QString& path, tagmint::tags::AudioLayout* layout)
{
    for (const WrapperClass& wrapper : kWrapperClasses) {
        if (!wrapper.supportedExtensions().contains(lowerExtension(kindPath)))
            continue;
        const std::unique_ptr<QZTagLibTag> tag = wrapper.open(path, QZTagLibTag::ReadBack, nullptr);
        if (!tag)
            return false;
        try {
            *layout = tag->audioLayout();
        } catch (...) {
            return false;
        }
        return true;
    }
    return false;
}

} // namespace

QZTagLibTag::QZTagLibTag() = default;

QZTagLibTag::~QZTagLibTag()
{
    m_path.clear();
}

std::unique_ptr<QZTagLibTag> QZTagLibTag::tagWithPath(const QString& path, quint32 flags, QString* error)
{
    for (const WrapperClass& wrapper : kWrapperClasses) {
        if (extensionIsIn(path, wrapper.supportedExtensions()))
            return wrapper.open(path, flags, error);
    }
    if (error)
        *error = QStringLiteral("no tag format is known for this file name");
    return nullptr;
}

const QStringList& QZTagLibTag::supportedExtensions()
{
    static const QStringList extensions = [] {
        QStringList all;
        for (const WrapperClass& wrapper : kWrapperClasses)
            all += wrapper.supportedExtensions();
        return all;
    }();
    return extensions;
}

bool QZTagLibTag::canHandlePath(const QString& path)
{
    return extensionIsIn(path, supportedExtensions());
}

bool QZTagLibTag::extensionIsIn(const QString& path, const QStringList& extensions)
{
    const QString extension = lowerExtension(path);
    return !extension.isEmpty() && extensions.contains(extension);
}

bool QZTagLibTag::open(const QString& path, quint32 flags)
{
    closeFile();
    m_openError.clear();
    if (path.isEmpty() || (!(flags & ReadBack) && !claims(path)))
        return false;
    if (!reopenStream(path, flags))
        return false;
    m_openedStamp = m_lockedFile->stamp();
    try {
        if (!openFile(path, flags)) {
            closeFile();
            return false;
        }
        setPath(path);
        loadIntermediateValues();
        // A reader holds its lock only while it parses: a wrapper kept open
        // for its pictures must not keep saves waiting.
        if (!(flags & OpenForWriting))
            m_lockedFile->unlock();
        return true;
    } catch (...) {
        closeFile();
        return false;
    }
}

bool QZTagLibTag::reopenStream(const QString& path, quint32 flags)
{
    using tagmint::tags::LockedFile;
    m_stream.reset();
    const LockedFile::Access access = (flags & ReadBack) ? LockedFile::Access::Unlocked
        : (flags & OpenForWriting)                       ? LockedFile::Access::Write
                                                         : LockedFile::Access::Read;
    // The file mended where it is keeps the lock we hold on it; a new file
    // at the path is locked before the old one is let go.
    if (!m_lockedFile || !m_lockedFile->isAt(path)) {
        std::unique_ptr<LockedFile> file = LockedFile::open(path, access, &m_openError);
        if (!file)
            return false;
        m_lockedFile = std::move(file);
    }
    m_stream = std::make_unique<tagmint::tags::CopyOnWriteStream>(*m_lockedFile);
    return true;
}

TagLib::IOStream* QZTagLibTag::stream() const
{
    return m_stream.get();
}

tagmint::tags::FileReadCache& QZTagLibTag::streamFile() const
{
    return m_stream->originalFile();
}

void QZTagLibTag::closeFile()
{
    closeTagLibFile();
    m_stream.reset();
    m_lockedFile.reset();
    m_pictureBytes = 0;
}

bool QZTagLibTag::failSave(const QString& reason)
{
    m_saveError = reason;
    return false;
}

bool QZTagLibTag::save()
{
    m_saveError.clear();
    if (!m_stream)
        return failSave(QStringLiteral("the file is not open"));
    if (!m_lockedFile->allowsWriting())
        return failSave(QStringLiteral("the file is read-only"));

    tagmint::tags::CommitChecks checks;
    try {
        checks.audio = audioLayout();
    } catch (...) {
        return failSave(QStringLiteral("the file's audio data cannot be found"));
    }
    // A save may add the pictures it was given (twice: a FLAC file holds
    // them in its ID3v2 tag too) and some text; it may write the file about
    // twice over (TagLib rewrites tags in steps).
    const qint64 largest = m_stream->originalLength() + kTagGrowthAllowance + 2 * m_pictureBytes;
    m_stream->setWriteLimits(largest, 2 * largest);
    bool written = false;
    try {
        written = writeTags();
    } catch (...) {
        written = false;
    }
    if (!written || m_stream->limitExceeded()) {
        const bool runaway = m_stream->limitExceeded();
        m_stream->rebase();
        return failSave(runaway ? QStringLiteral("the file's structure makes the tag library write without end")
                                : QStringLiteral("the tag library could not write the tags"));
    }

    const QString kind = path();
    checks.readsBack = [kind](const QString& written, tagmint::tags::AudioLayout* layout) {
        return readsBackAs(kind, written, layout);
    };
    const QString problem = tagmint::tags::commitStream(*m_lockedFile, *m_stream, checks);
    if (!problem.isEmpty())
        return failSave(problem);
    m_pictureBytes = 0;
    return true;
}

void QZTagLibTag::setTagPicture(const tagmint::tags::TagPicture& picture)
{
    if (!supportsImages())
        return;
    if (picture.image.isNull()) {
        removePictures();
        return;
    }
    // Encoded before the pictures are touched: an image that cannot be
    // encoded must not cost the tag its current picture.
    const tagmint::tags::EncodedImage encoded = tagmint::tags::encodePicture(picture);
    if (encoded.bytes.isEmpty())
        return;
    m_pictureBytes += encoded.bytes.size();
    storePicture(encoded, picture.image);
}

QSize QZTagLibTag::decodableImageSize() const
{
    const QImage image = firstImage();
    return image.isNull() ? QSize() : image.size();
}
