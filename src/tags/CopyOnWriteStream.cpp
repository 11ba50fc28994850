#include "tags/CopyOnWriteStream.h"

#include "tags/LockedFile.h"
#include "util/TextConversion.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace tagmint::tags {

namespace {

// More pieces than any real save makes; a file that makes TagLib write in
// that many places is hostile.
constexpr std::size_t kMaxPieces = 1 << 18;

qint64 fileLength(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 ? qint64(info.st_size) : 0;
}

} // namespace

CopyOnWriteStream::CopyOnWriteStream(const LockedFile& file)
    : m_file(file), m_name(text::toFileSystemPath(file.path()))
{
    startOver(std::max<qint64>(file.stamp().size, 0));
}

CopyOnWriteStream::~CopyOnWriteStream() = default;

TagLib::FileName CopyOnWriteStream::name() const
{
    return m_name.constData();
}

bool CopyOnWriteStream::readOnly() const
{
    return !m_file.allowsWriting();
}

bool CopyOnWriteStream::isOpen() const
{
    return m_file.fd() >= 0;
}

void CopyOnWriteStream::seek(long offset, Position p)
{
    qint64 base = 0;
    if (p == Current)
        base = m_position;
    else if (p == End)
        base = m_length;
    const qint64 target = base + offset;
    if (target >= 0)
        m_position = target;
}

void CopyOnWriteStream::clear()
{
}

long CopyOnWriteStream::tell() const
{
    return long(m_position);
}

long CopyOnWriteStream::length()
{
    return long(m_length);
}

void CopyOnWriteStream::setWriteLimits(qint64 maxLength, qint64 maxWritten)
{
    m_maxLength = maxLength;
    m_maxWritten = maxWritten;
    m_written = 0;
    m_limitExceeded = false;
}

// --- Reading -----------------------------------------------------------------

bool CopyOnWriteStream::readOriginal(qint64 offset, char* destination, qint64 length) const
{
    return m_original.read(offset, destination, length) == length;
}

TagLib::ByteVector CopyOnWriteStream::readBlock(unsigned long length)
{
    if (m_position >= m_length || length == 0)
        return TagLib::ByteVector();
    // Never more than the stream holds: a size field read from a damaged
    // file must not make us allocate gigabytes.
    const qint64 count = std::min<qint64>({qint64(length), m_length - m_position, qint64(UINT_MAX)});
    TagLib::ByteVector block(static_cast<unsigned int>(count), '\0');
    char* out = block.data();

    auto piece = std::upper_bound(m_pieces.begin(), m_pieces.end(), m_position,
                                  [](qint64 position, const Piece& p) { return position < p.start; });
    --piece;
    qint64 done = 0;
    while (done < count && piece != m_pieces.end()) {
        const qint64 inPiece = m_position + done - piece->start;
        const qint64 take = std::min(count - done, piece->length - inPiece);
        if (piece->isNew) {
            std::memcpy(out + done, m_added.constData() + piece->source + inPiece, size_t(take));
        } else if (!readOriginal(piece->source + inPiece, out + done, take)) {
            m_readError = true;
            break;
        }
        done += take;
        ++piece;
    }
    block.resize(static_cast<unsigned int>(done));
    m_position += done;
    return block;
}

// --- Writing -----------------------------------------------------------------

void CopyOnWriteStream::account(qint64 written, qint64 newLength)
{
    m_limitExceeded = (m_maxWritten >= 0 && m_written + written > m_maxWritten)
        || (m_maxLength >= 0 && newLength > m_maxLength) || m_pieces.size() + 2 > kMaxPieces;
    if (m_limitExceeded)
        throw WriteLimitExceeded();
    m_written += written;
}

std::size_t CopyOnWriteStream::splitAt(qint64 position)
{
    if (position >= m_length)
        return m_pieces.size();
    auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), position,
                               [](qint64 at, const Piece& p) { return at < p.start; });
    --it;
    const std::size_t index = std::size_t(it - m_pieces.begin());
    if (it->start == position)
        return index;
    const qint64 head = position - it->start;
    Piece tail = *it;
    tail.start = position;
    tail.length -= head;
    tail.source += head;
    it->length = head;
    m_pieces.insert(m_pieces.begin() + std::ptrdiff_t(index) + 1, tail);
    return index + 1;
}

void CopyOnWriteStream::replace(qint64 start, qint64 removed, const char* bytes, qint64 count)
{
    const std::size_t first = splitAt(start);
    const std::size_t last = splitAt(start + removed);
    m_pieces.erase(m_pieces.begin() + std::ptrdiff_t(first), m_pieces.begin() + std::ptrdiff_t(last));

    std::size_t shiftFrom = first;
    if (count > 0) {
        const qint64 source = m_added.size();
        m_added.append(bytes, qsizetype(count));
        // Sequential writes extend the piece written just before.
        Piece* previous = first > 0 ? &m_pieces[first - 1] : nullptr;
        if (previous && previous->isNew && previous->source + previous->length == source) {
            previous->length += count;
        } else {
            m_pieces.insert(m_pieces.begin() + std::ptrdiff_t(first), Piece{start, count, source, true});
            shiftFrom = first + 1;
        }
    }
    const qint64 delta = count - removed;
    if (delta != 0) {
        for (std::size_t i = shiftFrom; i < m_pieces.size(); ++i)
            m_pieces[i].start += delta;
    }
    m_length += delta;
}

void CopyOnWriteStream::extendTo(qint64 position)
{
    if (position <= m_length)
        return;
    const qint64 gap = position - m_length;
    account(gap, position);
    replace(m_length, 0, QByteArray(qsizetype(gap), '\0').constData(), gap);
}

void CopyOnWriteStream::writeBlock(const TagLib::ByteVector& data)
{
    const qint64 count = data.size();
    if (count == 0)
        return;
    extendTo(m_position);
    const qint64 overwritten = std::min(count, m_length - m_position);
    account(count, std::max(m_length, m_position + count));
    replace(m_position, overwritten, data.data(), count);
    m_position += count;
}

void CopyOnWriteStream::insert(const TagLib::ByteVector& data, unsigned long start, unsigned long replaced)
{
    const qint64 at = qint64(start);
    extendTo(at);
    const qint64 removed = std::min(qint64(replaced), m_length - at);
    const qint64 count = data.size();
    account(count, m_length - removed + count);
    replace(at, removed, data.data(), count);
    m_position = at + count;
}

void CopyOnWriteStream::removeBlock(unsigned long start, unsigned long length)
{
    const qint64 at = qint64(start);
    if (at >= m_length)
        return;
    account(0, m_length);
    replace(at, std::min(qint64(length), m_length - at), nullptr, 0);
    m_position = at;
}

void CopyOnWriteStream::truncate(long length)
{
    if (length < 0)
        return;
    if (length > m_length) {
        extendTo(length);
        return;
    }
    account(0, m_length);
    replace(length, m_length - length, nullptr, 0);
}

// --- What the save made ------------------------------------------------------

bool CopyOnWriteStream::isModified() const
{
    if (m_length != m_originalLength)
        return true;
    return std::any_of(m_pieces.begin(), m_pieces.end(),
                       [](const Piece& p) { return p.isNew || p.start != p.source; });
}

bool CopyOnWriteStream::keepsLayout() const
{
    return m_length == m_originalLength
        && std::all_of(m_pieces.begin(), m_pieces.end(),
                       [](const Piece& p) { return p.isNew || p.start == p.source; });
}

qint64 CopyOnWriteStream::unchangedPrefix() const
{
    qint64 end = 0;
    for (const Piece& piece : m_pieces) {
        if (piece.isNew || piece.start != piece.source)
            break;
        end = piece.start + piece.length;
    }
    return end;
}

qint64 CopyOnWriteStream::newOffsetOf(qint64 offset, qint64 length) const
{
    for (const Piece& piece : m_pieces) {
        if (!piece.isNew && piece.source <= offset && offset + length <= piece.source + piece.length)
            return piece.start + (offset - piece.source);
    }
    return -1;
}

void CopyOnWriteStream::rebase()
{
    startOver(fileLength(m_file.fd()));
}

void CopyOnWriteStream::startOver(qint64 originalLength)
{
    m_originalLength = originalLength;
    m_length = m_originalLength;
    m_original.reset(m_file.fd(), m_originalLength);
    m_added.clear();
    m_pieces.clear();
    if (m_originalLength > 0)
        m_pieces.push_back(Piece{0, m_originalLength, 0, false});
    m_maxLength = -1;
    m_maxWritten = 0;
    m_written = 0;
}

} // namespace tagmint::tags
