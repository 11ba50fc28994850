#include "tags/QZTagLibTag.h"

#include "tags/QZTagLibAIFFTag.h"
#include "tags/QZTagLibFLACTag.h"
#include "tags/QZTagLibMP4Tag.h"
#include "tags/QZTagLibMPEGTag.h"
#include "tags/QZTagLibWAVTag.h"

#include <taglib/tfile.h>

namespace {

template <class Wrapper>
std::unique_ptr<QZTagLibTag> openAs(const QString& path, quint32 flags)
{
    auto tag = std::make_unique<Wrapper>();
    if (!tag->open(path, flags))
        return nullptr;
    return tag;
}

struct WrapperClass {
    int order;
    const QStringList& (*supportedExtensions)();
    std::unique_ptr<QZTagLibTag> (*open)(const QString& path, quint32 flags);
};

// Factory order decides which wrapper gets a path; each wrapper class takes
// exactly one line here, at its order number.
constexpr WrapperClass kWrapperClasses[] = {
    {1, &QZTagLibMPEGTag::supportedExtensions, &openAs<QZTagLibMPEGTag>},
    {2, &QZTagLibMP4Tag::supportedExtensions, &openAs<QZTagLibMP4Tag>},
    {3, &QZTagLibWAVTag::supportedExtensions, &openAs<QZTagLibWAVTag>},
    {4, &QZTagLibAIFFTag::supportedExtensions, &openAs<QZTagLibAIFFTag>},
    {5, &QZTagLibFLACTag::supportedExtensions, &openAs<QZTagLibFLACTag>},
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

} // namespace

QZTagLibTag::~QZTagLibTag()
{
    m_path.clear();
}

std::unique_ptr<QZTagLibTag> QZTagLibTag::tagWithPath(const QString& path, quint32 flags)
{
    for (const WrapperClass& wrapper : kWrapperClasses) {
        if (extensionIsIn(path, wrapper.supportedExtensions()))
            return wrapper.open(path, flags);
    }
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
    if (path.isEmpty() || !claims(path))
        return false;
    try {
        if (!openFile(path, flags)) {
            closeFile();
            return false;
        }
        setPath(path);
        loadIntermediateValues();
        return true;
    } catch (...) {
        closeFile();
        return false;
    }
}

void QZTagLibTag::pushWrittenBytes(TagLib::File& file)
{
    // A seek makes stdio hand its pending bytes to the system.
    file.seek(0);
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
    if (!encoded.bytes.isEmpty())
        storePicture(encoded, picture.image);
}
