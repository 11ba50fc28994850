#include "record/QZTagLibRecord.h"

#include "naming/NameCleaning.h"
#include "tags/NumberPair.h"
#include "tags/QZTagLibImageLoader.h"
#include "tags/QZTagLibTag.h"

#include <QLocale>

using namespace tagmint;

namespace {

struct NumberBounds {
    int min;
    int max;
};

NumberBounds boundsOf(RecordField field)
{
    switch (field) {
    case RecordField::Tempo:
        return {30, 250};
    case RecordField::Year:
        return {1900, 2100};
    default:
        return {1, 250};
    }
}

TagmintError makeError(const QString& message)
{
    TagmintError error;
    error.message = message;
    return error;
}

bool fail(TagmintError* error, const QString& message)
{
    if (error)
        *error = makeError(message);
    return false;
}

bool validateFilename(QVariant& value, TagmintError* error)
{
    const QString name = value.toString();
    if (name.trimmed().isEmpty())
        return fail(error, QStringLiteral("File Name cannot be empty."));
    QString cleaned = naming::replaceInvalidFileNameCharacters(name);
    // A name starting with a dot would hide the file from every later
    // folder scan ("../x" becomes ".. x" above).
    qsizetype leading = 0;
    while (leading < cleaned.size() && (cleaned[leading] == QLatin1Char('.') || cleaned[leading].isSpace()))
        ++leading;
    cleaned.remove(0, leading);
    if (cleaned.trimmed().isEmpty())
        return fail(error, QStringLiteral("File Name contains invalid characters only."));
    value = cleaned;
    return true;
}

bool validateImage(QVariant& value, TagmintError* error)
{
    if (value.typeId() != QMetaType::QString)
        return true;
    if (!value.toString().isEmpty())
        return fail(error, QStringLiteral("Image is required for Artwork."));
    value = QVariant();
    return true;
}

} // namespace

QZTagLibRecord::QZTagLibRecord(const QString& path, quint32 flags)
{
    loadFromPath(path, flags);
}

QZTagLibRecord::~QZTagLibRecord()
{
    // Pending thumbnail work must not finish on a record that is gone.
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
    closeTag();
}

// --- Values by key -------------------------------------------------------

QVariant QZTagLibRecord::value(const QString& key) const
{
    const std::optional<RecordField> field = record::fieldForKey(key);
    if (!field)
        return QVariant();
    switch (*field) {
    case RecordField::Image: {
        const QImage current = image();
        return current.isNull() ? QVariant() : QVariant(current);
    }
    case RecordField::Size:
        return QVariant::fromValue<qulonglong>(m_size);
    case RecordField::FrequencySortValue:
        return frequencySortValue();
    case RecordField::BitrateSortValue:
        return bitrateSortValue();
    case RecordField::DurationSortValue:
        return durationSortValue();
    case RecordField::ChannelsSortValue:
        return channelsSortValue();
    case RecordField::ImageSortValue:
        return QVariant::fromValue<qint64>(imageSortValue());
    default:
        return text(*field);
    }
}

void QZTagLibRecord::setValue(const QVariant& value, const QString& key)
{
    const std::optional<RecordField> field = record::fieldForKey(key);
    if (!field)
        return;
    RecordChangeLog::willChange(*this, *field);
    if (record::isNumeric(*field)) {
        setNumericField(*field, value.toString());
    } else if (*field == RecordField::Filename) {
        setFilename(value);
    } else if (*field == RecordField::Image) {
        QVariant checked = value;
        if (!validateValue(checked, key))
            return;
        // A picture keeps the bytes it came as; a plain image is encoded anew.
        if (checked.metaType() == QMetaType::fromType<tags::TagPicture>())
            setPicture(checked.value<tags::TagPicture>());
        else
            setImage(qvariant_cast<QImage>(checked));
    } else if (*field == RecordField::Folder || record::isEditable(*field)) {
        textRef(*field) = value.toString();
    }
}

bool QZTagLibRecord::setValueAndCheck(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("image")) {
        QVariant checked = value;
        if (!validateValue(checked, key))
            return false;
        const bool imageWasShown = hasImage();
        setValue(checked, key);
        return checked.isValid() || imageWasShown;
    }
    const std::optional<RecordField> field = record::fieldForKey(key);
    if (!field || !record::isText(*field))
        return false;
    const QString before = text(*field);
    setValue(value, key);
    return text(*field) != before;
}

void QZTagLibRecord::setNumericField(RecordField field, const QString& text)
{
    if (text == this->text(field))
        return;
    if (!validateNumber(text, record::fieldTitle(field), boundsOf(field).min, boundsOf(field).max))
        return;
    textRef(field) = convertNumericString(text);
}

void QZTagLibRecord::setFilename(const QVariant& value)
{
    QVariant checked = value;
    if (validateFilename(checked, nullptr))
        textRef(RecordField::Filename) = checked.toString();
}

// --- Validation ----------------------------------------------------------

bool QZTagLibRecord::validateValue(QVariant& value, const QString& key, TagmintError* error) const
{
    const std::optional<RecordField> field = record::fieldForKey(key);
    if (!field)
        return true;
    if (record::isNumeric(*field)) {
        const NumberBounds bounds = boundsOf(*field);
        return validateNumber(value.toString(), record::fieldTitle(*field), bounds.min, bounds.max,
                              error);
    }
    if (*field == RecordField::Filename)
        return validateFilename(value, error);
    if (*field == RecordField::Image)
        return validateImage(value, error);
    return true;
}

bool QZTagLibRecord::validateNumber(const QString& text, const QString& keyName, int minValue,
                                    int maxValue, TagmintError* error)
{
    if (text.isEmpty())
        return true;
    bool ok = false;
    float number = QLocale::system().toFloat(text, &ok);
    if (!ok)
        number = QLocale::c().toFloat(text, &ok);
    if (!ok)
        return fail(error, QStringLiteral("Number is required for %1.").arg(keyName));
    if (!(float(minValue) <= number && number <= float(maxValue))) {
        return fail(error, QStringLiteral("Number is required between %1 and %2 for %3.")
                               .arg(minValue)
                               .arg(maxValue)
                               .arg(keyName));
    }
    return true;
}

QString QZTagLibRecord::convertNumericString(const QString& text)
{
    const int number = tags::leadingInteger(text);
    return number < 1 ? QString() : QString::number(number);
}

// --- Change tracking -----------------------------------------------------

const QStringList& QZTagLibRecord::trackedKeys()
{
    return record::trackedKeys();
}

int QZTagLibRecord::trackedIndex(const QString& key)
{
    return int(trackedKeys().indexOf(key));
}

QString QZTagLibRecord::originalValue(int index) const
{
    return m_originalValues ? (*m_originalValues)[size_t(index)] : QString();
}

void QZTagLibRecord::snapshotOriginalValues()
{
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
    std::array<QString, record::kTrackedFieldCount> originals;
    for (int i = 0; i < record::kTrackedFieldCount; ++i)
        originals[size_t(i)] = text(record::trackedFields()[size_t(i)]);
    m_originalValues = originals;
    m_hasSaveError = false;
}

bool QZTagLibRecord::isDirtyForKey(const QString& key) const
{
    if (m_isReadOnly)
        return false;
    if (key == QLatin1String("image"))
        return m_artwork && m_artwork->isDirty();
    if (key == QLatin1String("isToDeleteID3v1Tag"))
        return m_isToDeleteID3v1Tag;
    // Only tracked keys have originals; the path facts never count as edits.
    const int index = trackedIndex(key);
    return index >= 0 && isTrackedFieldDirty(index);
}

bool QZTagLibRecord::isTrackedFieldDirty(int index) const
{
    if (m_isReadOnly || !m_originalValues)
        return false;
    return (*m_originalValues)[size_t(index)] != text(record::trackedFields()[size_t(index)]);
}

// Called for every shown row whenever the table changes: no key lookups.
bool QZTagLibRecord::isDirty() const
{
    for (int i = 0; i < record::kTrackedFieldCount; ++i) {
        if (isTrackedFieldDirty(i))
            return true;
    }
    return m_isToDeleteID3v1Tag || (m_artwork && m_artwork->isDirty());
}

QStringList QZTagLibRecord::isDirtyEx() const
{
    QStringList keys;
    for (int i = 0; i < record::kTrackedFieldCount; ++i) {
        if (isTrackedFieldDirty(i))
            keys.append(trackedKeys()[i]);
    }
    if (m_isToDeleteID3v1Tag)
        keys.append(QStringLiteral("isToDeleteID3v1Tag"));
    if (m_artwork && m_artwork->isDirty())
        keys.append(QStringLiteral("image"));
    return keys;
}

void QZTagLibRecord::revertValueForKey(const QString& key)
{
    if (const std::optional<RecordField> field = record::fieldForKey(key))
        RecordChangeLog::willChange(*this, *field);
    if (key == QLatin1String("image")) {
        if (m_artwork)
            m_artwork->revertChanges();
        if (QZTagLibImageLoader* loader = m_imageLoader)
            loader->forgetRecord(this);
        return;
    }
    // Originals go back as they were loaded: passing them through the
    // setters would refuse values a file may hold outside the editing bounds.
    const int index = trackedIndex(key);
    if (index >= 0)
        textRef(*record::fieldForKey(key)) = originalValue(index);
}

void QZTagLibRecord::revertAllValues()
{
    for (const QString& key : trackedKeys())
        revertValueForKey(key);
    RecordChangeLog::willChange(*this, RecordField::Image);
    m_isToDeleteID3v1Tag = false;
    if (m_artwork)
        m_artwork->revertChanges();
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
    m_hasSaveError = false;
}

bool QZTagLibRecord::saveIfDirty()
{
    if (!isDirty())
        return true;
    return saveDataToTagAndDoRenaming();
}

// --- Artwork ---------------------------------------------------------------

QImage QZTagLibRecord::image() const
{
    if (m_hasInvalidTags || !m_artwork)
        return QImage();
    return m_artwork->currentImageWithTagProvider([this] { return tag(); });
}

QSize QZTagLibRecord::imageSize() const
{
    if (m_hasInvalidTags || !m_artwork)
        return QSize();
    return m_artwork->currentImageSize();
}

void QZTagLibRecord::setImage(const QImage& image)
{
    setPicture({image, {}, false});
}

tagmint::tags::TagPicture QZTagLibRecord::picture() const
{
    if (m_hasInvalidTags || !m_artwork)
        return {};
    return m_artwork->currentPictureWithTagProvider([this] { return tag(); });
}

void QZTagLibRecord::setPicture(const tagmint::tags::TagPicture& picture)
{
    // A Linux image has no point size apart from its pixels, so it is
    // always at full size already.
    RecordChangeLog::willChange(*this, RecordField::Image);
    if (m_artwork)
        m_artwork->setPicture(picture);
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
}

void QZTagLibRecord::setImageLoader(QZTagLibImageLoader* loader)
{
    m_imageLoader = loader;
}

QZTagLibImageLoader* QZTagLibRecord::imageLoader() const
{
    return m_imageLoader;
}

RecordArtworkState QZTagLibRecord::artworkState() const
{
    RecordArtworkState state;
    if (m_artwork)
        state.artwork = *m_artwork;
    state.loadGeneration = m_loadGeneration;
    return state;
}

void QZTagLibRecord::restoreText(RecordField field, const QString& text)
{
    if (record::isText(field))
        textRef(field) = text;
}

void QZTagLibRecord::restoreArtwork(const RecordArtworkState& state)
{
    if (!m_artwork || !state.artwork)
        return;
    if (state.loadGeneration == m_loadGeneration) {
        *m_artwork = *state.artwork;
    } else {
        // Without a tag only a replacement or a cached original can be shown.
        QZTagLibArtwork earlier = *state.artwork;
        tags::TagPicture picture = earlier.currentPictureWithTagProvider({});
        if (picture.image.isNull())
            picture.image = earlier.currentImageWithTagProvider({});
        if (!picture.image.isNull() || !earlier.hasImage())
            m_artwork->setPicture(picture);
    }
    if (QZTagLibImageLoader* loader = m_imageLoader)
        loader->forgetRecord(this);
}

bool QZTagLibRecord::hasImage() const
{
    return m_artwork && m_artwork->hasImage();
}

qint64 QZTagLibRecord::imageSortValue() const
{
    return m_artwork ? m_artwork->sortValue() : 4;
}
