#include "tags/CopyOnWriteStream.h"
#include "tags/LockedFile.h"
#include "tags/TagTestSupport.h"
#include "tags/WindowedFile.h"

#include <taglib/tbytevectorstream.h>

#include <random>

using namespace tagmint::test;
using namespace tagmint::tags;

namespace {

QByteArray patternBytes(int size, int seed)
{
    QByteArray bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

TagLib::ByteVector vectorOf(const QByteArray& bytes)
{
    return TagLib::ByteVector(bytes.constData(), unsigned(bytes.size()));
}

QByteArray wholeStream(TagLib::IOStream& stream)
{
    const long position = stream.tell();
    stream.seek(0);
    const TagLib::ByteVector all = stream.readBlock(stream.length() + 10);
    stream.seek(position);
    return QByteArray(all.data(), all.size());
}

struct OpenStream {
    explicit OpenStream(const QString& path)
        : file(LockedFile::open(path, LockedFile::Access::Write)), stream(*file)
    {
        stream.setWriteLimits(1 << 30, 1 << 30);
    }
    std::unique_ptr<LockedFile> file;
    CopyOnWriteStream stream;
};

// TagLib's own in-memory stream is the model: whatever TagLib does to a file
// stream, ours must end up with the same bytes, and the file must not change.
TEST(CopyOnWriteStream, EndsWithTheBytesTagLibsOwnStreamWouldHoldAndLeavesTheFileAlone)
{
    TempDir dir;
    for (int seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const QByteArray original = patternBytes(5000, seed);
        const QString path = dir.writeFile(QStringLiteral("stream.bin"), original);
        OpenStream ours(path);
        TagLib::ByteVector modelBytes = vectorOf(original);
        TagLib::ByteVectorStream model(modelBytes);

        std::mt19937 random(seed);
        auto below = [&](long limit) { return long(random() % std::max(1L, limit)); };
        for (int step = 0; step < 60; ++step) {
            const long length = model.length();
            const QByteArray data = patternBytes(int(below(300)) + 1, seed * 100 + step);
            const long start = below(length + 1);
            switch (random() % 6) {
            case 0: {
                const long at = below(length + 1);
                ours.stream.seek(at);
                model.seek(at);
                ours.stream.writeBlock(vectorOf(data));
                model.writeBlock(vectorOf(data));
                ASSERT_EQ(ours.stream.tell(), model.tell());
                break;
            }
            case 1:
            case 2: {
                const unsigned long replaced = below(length - start + 1);
                ours.stream.insert(vectorOf(data), start, replaced);
                model.insert(vectorOf(data), start, replaced);
                break;
            }
            case 3: {
                const unsigned long removed = below(length - start) + 1;
                ours.stream.removeBlock(start, removed);
                model.removeBlock(start, removed);
                break;
            }
            case 4:
                ours.stream.truncate(start);
                model.truncate(start);
                break;
            default: {
                const long at = below(length + 1);
                const unsigned long count = below(400);
                ours.stream.seek(at);
                model.seek(at);
                const TagLib::ByteVector a = ours.stream.readBlock(count);
                const TagLib::ByteVector b = model.readBlock(count);
                ASSERT_EQ(QByteArray(a.data(), a.size()), QByteArray(b.data(), b.size()));
                ASSERT_EQ(ours.stream.tell(), model.tell());
            }
            }
            ASSERT_EQ(ours.stream.length(), model.length()) << "step " << step;
        }
        EXPECT_EQ(wholeStream(ours.stream), QByteArray(model.data()->data(), model.data()->size()));
        EXPECT_EQ(readAll(path), original);
    }
}

TEST(CopyOnWriteStream, KnowsWhetherTheLayoutHoldsAndWhereOriginalRangesWent)
{
    TempDir dir;
    const QString path = dir.writeFile(QStringLiteral("layout.bin"), patternBytes(1000, 7));
    OpenStream open(path);
    CopyOnWriteStream& stream = open.stream;
    EXPECT_FALSE(stream.isModified());

    stream.seek(100);
    stream.writeBlock(vectorOf(QByteArray(50, 'x')));
    EXPECT_TRUE(stream.isModified());
    EXPECT_TRUE(stream.keepsLayout());
    EXPECT_EQ(stream.newOffsetOf(200, 800), 200);
    EXPECT_EQ(stream.newOffsetOf(120, 10), -1);   // overwritten

    stream.insert(vectorOf(QByteArray(30, 'y')), 10, 0);
    EXPECT_FALSE(stream.keepsLayout());
    EXPECT_EQ(stream.newOffsetOf(200, 800), 230);
    EXPECT_EQ(stream.newOffsetOf(0, 20), -1);   // split by the insert

    stream.removeBlock(0, 40);
    EXPECT_EQ(stream.newOffsetOf(200, 800), 190);
}

TEST(CopyOnWriteStream, BoundsWhatASaveMayWriteAndWhatAReadMayAllocate)
{
    TempDir dir;
    const QString path = dir.writeFile(QStringLiteral("limits.bin"), patternBytes(1000, 3));
    auto file = LockedFile::open(path, LockedFile::Access::Write);
    CopyOnWriteStream stream(*file);

    // Outside a save nothing may be written at all.
    EXPECT_THROW(stream.writeBlock(vectorOf("x")), WriteLimitExceeded);

    stream.setWriteLimits(1100, 400);
    stream.insert(vectorOf(QByteArray(100, 'a')), 0, 0);
    EXPECT_THROW(stream.insert(vectorOf("b"), 0, 0), WriteLimitExceeded);   // longer than 1100
    EXPECT_TRUE(stream.limitExceeded());
    // Overwrites add no length but count: a loop rewriting one place ends.
    stream.setWriteLimits(1100, 400);
    EXPECT_THROW(
        for (int i = 0; i < 1000; ++i) {
            stream.seek(0);
            stream.writeBlock(vectorOf(QByteArray(100, 'c')));
        },
        WriteLimitExceeded);
    // Seeking far beyond the end and writing would fill gigabytes of zeros.
    stream.setWriteLimits(1100, 400);
    stream.seek(long(1) << 40);
    EXPECT_THROW(stream.writeBlock(vectorOf("z")), WriteLimitExceeded);

    // A size field read from a damaged file asks for far more than exists.
    stream.seek(900);
    EXPECT_EQ(stream.readBlock(0xFFFFFFFFul).size(), 200u);
    EXPECT_EQ(readAll(path).size(), 1000);
}

} // namespace

TEST(WindowedFile, ReadsLikeTheFileAcrossAndBeyondItsWindow)
{
    TempDir dir;
    const QByteArray original = patternBytes(200 * 1000, 11);
    const QString path = dir.writeFile(QStringLiteral("windowed.bin"), original);
    WindowedFile file(path);
    ASSERT_TRUE(file.open());
    EXPECT_EQ(file.size(), original.size());
    // Backwards, across the window's end, larger than the window, at the end.
    const std::pair<qint64, qint64> reads[] = {
        {100 * 1000, 16}, {50, 8}, {65530, 20}, {1000, 150 * 1000}, {199990, 64}, {300 * 1000, 4}};
    for (const auto& [at, length] : reads) {
        ASSERT_TRUE(file.seek(at));
        EXPECT_EQ(file.read(length), original.mid(at, length)) << at;
    }
    EXPECT_FALSE(WindowedFile(dir.filePath(QStringLiteral("missing.bin"))).open());
}
