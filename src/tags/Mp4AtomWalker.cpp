#include "tags/Mp4AtomWalker.h"

#include <QList>
#include <QtEndian>

#include <algorithm>

namespace tagmint::tags::mp4 {

namespace {

constexpr qint64 kHeaderSize = 8;
constexpr qint64 kLargeHeaderSize = 16;
constexpr qint64 kFullAtomFields = 4;      // version and flags
constexpr qint64 kTableHeader = kFullAtomFields + 4;  // ... and the entry count
constexpr qint64 kTableReadBlock = 16 * 1024;
constexpr quint32 kBaseDataOffsetPresent = 0x1;
// Real files nest about eight deep; a hostile one could nest until our
// recursion (and TagLib's) runs out of stack.
constexpr int kMaxDepth = 32;

// Atoms TagLib reads as containers, and those it skips but a file holds
// children in all the same.
const char* const kPlainContainers[] = {"moov", "trak", "mdia", "minf", "stbl", "udta", "edts",
                                        "dinf", "mvex", "moof", "traf", "mfra", "ilst"};
// A "meta" without version and flags starts with one of these (QuickTime's
// layout); TagLib tells the two layouts apart by this list.
const char* const kBareMetaChildren[] = {"hdlr", "ilst", "mhdr", "ctry", "lang"};

struct Atom {
    qint64 offset = 0;
    qint64 size = 0;
    qint64 headerSize = kHeaderSize;
    QByteArray name;

    qint64 payload() const { return offset + headerSize; }
    qint64 end() const { return offset + size; }
};

bool isOneOf(const QByteArray& name, const auto& list)
{
    return std::any_of(std::begin(list), std::end(list), [&](const char* n) { return name == n; });
}

// TagLib's rule: printable ASCII, or 0xA9 ("©" in Latin-1).
bool isAtomName(const QByteArray& name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (uchar(c) >= 0x20 && uchar(c) <= 0x7E) || uchar(c) == 0xA9; });
}

QString quoted(const QByteArray& name)
{
    return QLatin1Char('"') + QString::fromLatin1(name) + QLatin1Char('"');
}

class AtomWalker {
public:
    explicit AtomWalker(QIODevice& device) : m_device(device), m_fileSize(device.size()) {}

    StructureVerdict run()
    {
        if (m_device.isSequential())
            return {QStringLiteral("not a seekable file")};
        QList<QByteArray> names;
        if (!walkChildren(0, m_fileSize, 0, QByteArray(), &names))
            return {m_problem};
        if (names.indexOf("ftyp") > 0)
            return {QStringLiteral("the \"ftyp\" atom is not the first")};
        const qsizetype movies = names.count("moov");
        if (movies != 1)
            return {movies == 0 ? QStringLiteral("no \"moov\" atom") : QStringLiteral("more than one \"moov\" atom")};
        if (!chunksLieInMediaData())
            return {QStringLiteral("a chunk offset points outside the media data")};
        return {};
    }

    const QList<quint64>& chunkOffsets() const { return m_chunkOffsets; }
    QList<ByteRange> mediaData() const
    {
        QList<ByteRange> ranges;
        for (const auto& [begin, end] : m_mediaData)
            ranges.append(ByteRange{begin, end - begin});
        return ranges;
    }

private:
    bool fail(const QString& problem)
    {
        m_problem = problem;
        return false;
    }

    QByteArray readAt(qint64 offset, qint64 length)
    {
        if (!m_device.seek(offset))
            return QByteArray();
        return m_device.read(length);
    }

    // The children of a parent (the file when `parent` is empty) between
    // begin and end, which they must fill exactly.
    bool walkChildren(qint64 begin, qint64 end, int depth, const QByteArray& parent, QList<QByteArray>* names)
    {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("atoms nested more than %1 deep").arg(kMaxDepth));
        for (qint64 position = begin; position < end;) {
            Atom atom;
            if (!readHeader(position, end, parent, &atom))
                return false;
            if (parent.isEmpty()) {
                m_topLevel = atom.name;
                m_fragments += atom.name == "moof" ? 1 : 0;
                if (atom.name == "mdat")
                    m_mediaData.append({atom.payload(), atom.end()});
            }
            if (!visit(atom, depth, parent))
                return false;
            if (names)
                names->append(atom.name);
            position = atom.end();
        }
        return true;
    }

    bool readHeader(qint64 position, qint64 end, const QByteArray& parent, Atom* atom)
    {
        const QString where = parent.isEmpty() ? QStringLiteral("the file") : quoted(parent);
        const QByteArray header = readAt(position, std::min(end - position, kLargeHeaderSize));
        if (header.size() < kHeaderSize)
            return fail(QStringLiteral("stray bytes at the end of %1").arg(where));
        atom->offset = position;
        atom->name = header.mid(4, 4);
        if (!isAtomName(atom->name))
            return fail(QStringLiteral("an atom with an unreadable type at byte %1").arg(position));
        const quint32 declared = qFromBigEndian<quint32>(header.constData());
        quint64 size = declared;
        if (declared == 1) {
            if (header.size() < kLargeHeaderSize)
                return fail(QStringLiteral("the %1 atom's 64-bit size is cut off").arg(quoted(atom->name)));
            size = qFromBigEndian<quint64>(header.constData() + kHeaderSize);
            atom->headerSize = kLargeHeaderSize;
        } else if (declared == 0) {
            // "To the end of the file": TagLib reads it so at every level,
            // and grows the movie by adding to the size it finds.
            if (!parent.isEmpty() || atom->name == "moov")
                return fail(QStringLiteral("the %1 atom in %2 has size 0").arg(quoted(atom->name), where));
            size = quint64(end - position);
        }
        if (size < quint64(atom->headerSize))
            return fail(QStringLiteral("the %1 atom is smaller than its header").arg(quoted(atom->name)));
        if (size > quint64(end - position))
            return fail(QStringLiteral("the %1 atom runs past the end of %2").arg(quoted(atom->name), where));
        atom->size = qint64(size);
        return true;
    }

    bool visit(const Atom& atom, int depth, const QByteArray& parent)
    {
        const QByteArray& name = atom.name;
        if (name == "stco" || name == "co64")
            return checkChunkOffsets(atom, name == "stco" ? 4 : 8);
        if (name == "tfhd")
            return checkFragmentHeader(atom);
        // TagLib leaves the fragment offsets of this index as they were.
        if (name == "tfra")
            return fail(QStringLiteral("a fragment index (\"tfra\") a save would leave wrong"));

        qint64 childrenBegin = atom.payload();
        if (name == "meta") {
            // TagLib's test for the layout: is the word after the header the
            // start of a known child?
            if (!isOneOf(readAt(atom.payload() + 4, 4), kBareMetaChildren))
                childrenBegin += kFullAtomFields;
        } else if (name == "stsd") {
            childrenBegin += kTableHeader;   // then one atom per sample description
        } else if (!isOneOf(name, kPlainContainers) && parent != "ilst") {
            return true;   // a leaf
        }
        // Items of "ilst" hold "data" (and "mean", "name") atoms.
        if (childrenBegin > atom.end())
            return fail(QStringLiteral("the %1 atom is too small for its fields").arg(quoted(name)));
        QList<QByteArray> children;
        if (!walkChildren(childrenBegin, atom.end(), depth + 1, name, &children))
            return false;
        if (name == "moov" && (!children.contains("mvhd") || !children.contains("trak")))
            return fail(QStringLiteral("the \"moov\" atom lacks a movie header or a track"));
        return true;
    }

    // TagLib rewrites every entry of these tables when a save moves the
    // media data, reading the count at a fixed place after an 8-byte header.
    bool checkChunkOffsets(const Atom& atom, int entrySize)
    {
        const QString name = quoted(atom.name);
        if (atom.headerSize != kHeaderSize)
            return fail(QStringLiteral("the %1 atom has a 64-bit size").arg(name));
        const qint64 room = atom.size - kHeaderSize - kTableHeader;
        const QByteArray fields = readAt(atom.payload(), kTableHeader);
        if (room < 0 || fields.size() != kTableHeader)
            return fail(QStringLiteral("the %1 atom is too small for its fields").arg(name));
        const qint64 count = qFromBigEndian<quint32>(fields.constData() + kFullAtomFields);
        if (count * entrySize != room)
            return fail(QStringLiteral("the %1 atom declares %2 entries but has room for %3")
                            .arg(name).arg(count).arg(room / entrySize));

        qint64 position = atom.payload() + kTableHeader;
        for (qint64 left = room; left > 0;) {
            const qint64 length = std::min(left, kTableReadBlock - kTableReadBlock % entrySize);
            const QByteArray block = readAt(position, length);
            if (block.size() != length)
                return fail(QStringLiteral("the %1 atom cannot be read").arg(name));
            for (qint64 at = 0; at < length; at += entrySize)
                m_chunkOffsets.append(entrySize == 4 ? qFromBigEndian<quint32>(block.constData() + at)
                                                     : qFromBigEndian<quint64>(block.constData() + at));
            position += length;
            left -= length;
        }
        return true;
    }

    // Chunks live in the top-level "mdat" atoms; an offset elsewhere reads
    // bytes a save may move or rewrite as tags.
    bool chunksLieInMediaData() const
    {
        QList<std::pair<qint64, qint64>> ranges = m_mediaData;
        std::sort(ranges.begin(), ranges.end());
        for (const quint64 offset : m_chunkOffsets) {
            const auto after = std::upper_bound(ranges.begin(), ranges.end(), offset,
                                                [](quint64 value, const auto& range) { return value < quint64(range.first); });
            if (after == ranges.begin() || offset >= quint64(std::prev(after)->second))
                return false;
        }
        return true;
    }

    // TagLib moves a fragment's base data offset, read and written at fixed
    // places after an 8-byte header, but only in the first top-level "moof".
    bool checkFragmentHeader(const Atom& atom)
    {
        constexpr qint64 kOffsetAt = kFullAtomFields + 4;   // after the track id
        if (atom.headerSize != kHeaderSize)
            return fail(QStringLiteral("the \"tfhd\" atom has a 64-bit size"));
        const QByteArray fields = readAt(atom.payload(), std::min<qint64>(atom.size - kHeaderSize, kOffsetAt + 8));
        if (fields.size() < kFullAtomFields)
            return fail(QStringLiteral("the \"tfhd\" atom is too small for its fields"));
        const quint32 flags = qFromBigEndian<quint32>(fields.constData()) & 0xFFFFFF;
        if (!(flags & kBaseDataOffsetPresent))
            return true;
        if (fields.size() < kOffsetAt + 8)
            return fail(QStringLiteral("the \"tfhd\" atom is too small for its fields"));
        if (m_topLevel != "moof" || m_fragments > 1)
            return fail(QStringLiteral("fragments with data offsets a save would leave wrong"));
        if (qFromBigEndian<quint64>(fields.constData() + kOffsetAt) >= quint64(m_fileSize))
            return fail(QStringLiteral("a fragment's data offset points past the end of the file"));
        return true;
    }

    QIODevice& m_device;
    const qint64 m_fileSize;
    QByteArray m_topLevel;   // the top-level atom being walked
    int m_fragments = 0;     // top-level "moof" atoms met so far
    QList<std::pair<qint64, qint64>> m_mediaData;   // payload begin and end of each "mdat"
    QList<quint64> m_chunkOffsets;
    QString m_problem;
};

} // namespace

StructureVerdict checkMp4(QIODevice& device, QList<quint64>* chunkOffsets, QList<ByteRange>* mediaData)
{
    AtomWalker walker(device);
    const StructureVerdict verdict = walker.run();
    if (chunkOffsets)
        *chunkOffsets = verdict.holds() ? walker.chunkOffsets() : QList<quint64>();
    if (mediaData)
        *mediaData = verdict.holds() ? walker.mediaData() : QList<ByteRange>();
    return verdict;
}

StructureVerdict checkMp4File(const QString& path)
{
    return checkFileWith(path, [](QIODevice& device) { return checkMp4(device); });
}

} // namespace tagmint::tags::mp4
