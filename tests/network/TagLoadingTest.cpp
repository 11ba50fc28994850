// Loading tags into records: the merge of path values, folder artwork and
// network answers, with and without "missing only"; the preprocessing of
// opened files with its counters; the load-tags run with its stop.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "network/LoadTagsFlags.h"
#include "network/LoadTagsRun.h"
#include "network/RecordTagLoader.h"
#include "network/TagsPreprocessor.h"
#include "record/QZTagLibRecord.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

using namespace tagmint::network;
using tagmint::naming::TagValues;
using tagmint::test::TempDir;

namespace {

const char* const kSongPath = "Miles Davis/Kind of Blue (1959)/01 - So What.mp3";

// Answers like a network service would; records what it was asked.
class ScriptedNetwork : public NetworkTagSource {
public:
    std::optional<TagValues> answer;
    tagmint::tags::TagPicture artwork;
    int tagRequests = 0;
    std::optional<TagValues> lastQuery;

    std::optional<TagValues> lookupTags(const LookupContext&, const QString&,
                                        const std::optional<TagValues>& query) override
    {
        ++tagRequests;
        lastQuery = query;
        return answer;
    }
    tagmint::tags::TagPicture lookupArtwork(const LookupContext&, const TagValues&, ArtworkCache&) override
    {
        return artwork;
    }
};

class TagLoadingTest : public ::testing::Test {
protected:
    // A song in an "Artist/Album (Year)" layout, with folder.jpg beside it.
    std::shared_ptr<QZTagLibRecord> song(const QString& relativePath = QString::fromUtf8(kSongPath))
    {
        const QString path = m_dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile::copy(tagmint::test::fixturePath("plain.mp3"), path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        m_dir.writeFile(QFileInfo(relativePath).path() + "/folder.jpg", tagmint::test::makeImageBytes(20, 20));
        return std::make_shared<QZTagLibRecord>(path, 0);
    }

    TagLoadCount load(QZTagLibRecord& record, quint32 flags, const QStringList& keys = {},
                      NetworkTagSource* network = nullptr)
    {
        TagLoadRequest request;
        request.flags = flags;
        request.keys = keys;
        request.network = network;
        return loadTagsForRecord(LookupContext(), record, request, m_cache);
    }

    TempDir m_dir;
    ArtworkCache m_cache;
};

} // namespace

TEST(LoadableKeys, SelectionChecksAndCommandWords)
{
    EXPECT_TRUE(hasLoadableKeys({"genre", "image"}));
    EXPECT_TRUE(hasLoadableKeys({"tracksTotal"}));
    EXPECT_FALSE(hasLoadableKeys({"genre", "comment", "filename", "discNumber"}));
    EXPECT_FALSE(hasLoadableKeys({}));
    EXPECT_EQ(loadTagsTitle(FromPaths | MissingOnly), "Load Tags From Paths");
    EXPECT_EQ(loadTagsTitle(FromNetwork | UseExistingTags), "Load Tags From Network");
    EXPECT_EQ(loadTagsTitle(kDefaultLoadTagsFlags), "Load Tags From Network and Paths");
    EXPECT_EQ(loadTagsProgressText(FromPaths), "Loading tags from paths...");
    EXPECT_EQ(loadTagsProgressText(FromNetwork), "Loading tags from network...");
    EXPECT_EQ(loadTagsProgressText(FromPaths | FromNetwork), "Loading tags from network and paths...");
}

TEST_F(TagLoadingTest, EmptyTagsFillFromThePathAndTheFolderWithoutWritingTheFile)
{
    const auto record = song();
    QFile file(record->path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    EXPECT_TRUE(isFieldMissing(*record, "image"));
    EXPECT_TRUE(isFieldMissing(*record, "title"));

    QStringList changed;
    TagLoadRequest request;
    request.flags = FromPaths | MissingOnly;
    request.changedKeys = &changed;
    const TagLoadCount count = loadTagsForRecord(LookupContext(), *record, request, m_cache);

    EXPECT_EQ(count.tags, 6);
    EXPECT_EQ(count.artwork, 1);
    EXPECT_EQ(record->value("title").toString(), "So What");
    EXPECT_EQ(record->value("artist").toString(), "Miles Davis");
    EXPECT_EQ(record->value("albumArtist").toString(), "Miles Davis");
    EXPECT_EQ(record->value("album").toString(), "Kind Of Blue");
    EXPECT_EQ(record->value("year").toString(), "1959");
    EXPECT_EQ(record->value("trackNumber").toString(), "1");
    EXPECT_EQ(record->image().size(), QSize(20, 20));
    EXPECT_EQ(changed.size(), 7);
    EXPECT_TRUE(record->isDirtyForKey("title"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(TagLoadingTest, MissingOnlyKeepsWhatIsThereAndOtherwiseEverythingIsReplaced)
{
    const auto record = song();
    record->setValue(" Custom  ", "title");
    record->setValue("Bill Evans", "artist");
    record->setImage(QImage(4, 4, QImage::Format_RGB32));

    EXPECT_EQ(load(*record, FromPaths | MissingOnly).total(), 4);
    EXPECT_EQ(record->value("title").toString(), " Custom  ");
    EXPECT_EQ(record->value("artist").toString(), "Bill Evans");
    EXPECT_EQ(record->value("albumArtist").toString(), "Bill Evans");   // from the record's own artist
    EXPECT_EQ(record->image().size(), QSize(4, 4));

    // Everything again: title, artist and album artist change, the folder's
    // image counts once, unchanged texts not at all.
    EXPECT_EQ(load(*record, FromPaths).total(), 4);
    EXPECT_EQ(record->value("title").toString(), "So What");
    EXPECT_EQ(record->value("artist").toString(), "Miles Davis");
    EXPECT_EQ(record->image().size(), QSize(20, 20));
    EXPECT_EQ(load(*record, FromPaths | MissingOnly).total(), 0);

    // Only the requested keys.
    const auto other = song("Some Band/Other Album/02 Other Song.mp3");
    EXPECT_EQ(load(*other, FromPaths, {"title", "genre"}).total(), 1);
    EXPECT_EQ(other->value("title").toString(), "Other Song");
    EXPECT_TRUE(isFieldMissing(*other, "artist"));
}

TEST_F(TagLoadingTest, NetworkAnswersComeFirstAndPathValuesStandIn)
{
    const auto record = song();
    record->setValue("Own Title", "title");
    ScriptedNetwork network;
    network.answer = TagValues{{"album", "Kind of Blue (Legacy)"}, {"year", "1997"}};

    EXPECT_EQ(load(*record, FromPaths | FromNetwork | UseExistingTags, {}, &network).tags, 6);
    EXPECT_EQ(network.lastQuery->value("title"), "Own Title");
    EXPECT_EQ(network.lastQuery->value("artist"), "Miles Davis");
    EXPECT_EQ(record->value("album").toString(), "Kind of Blue (Legacy)");
    EXPECT_EQ(record->value("year").toString(), "1997");
    EXPECT_EQ(record->value("artist").toString(), "Miles Davis");

    // A network-only run that finds nothing still writes the path's values.
    const auto lonely = song("Art Blakey/Moanin' (1958)/03 Along Came Betty.mp3");
    network.answer.reset();
    load(*lonely, FromNetwork, {}, &network);
    EXPECT_FALSE(network.lastQuery.has_value());
    EXPECT_EQ(lonely->value("title").toString(), "Along Came Betty");
    EXPECT_TRUE(isFieldMissing(*lonely, "image"));   // the folder is a source of the paths only

    // Nothing missing: no request at all.
    network.tagRequests = 0;
    lonely->setImage(QImage(2, 2, QImage::Format_RGB32));
    lonely->setValue("7", "tracksTotal");
    EXPECT_EQ(load(*lonely, FromNetwork | MissingOnly, {}, &network).total(), 0);
    EXPECT_EQ(network.tagRequests, 0);
}

TEST_F(TagLoadingTest, RecordsThatCannotBeWrittenStayAsTheyAre)
{
    TempDir dir;
    const QString path = dir.writeFile("Band/Album/01 Broken.mp3", "not an mp3");
    QZTagLibRecord broken(path, 0);
    ASSERT_TRUE(broken.hasInvalidTags());
    EXPECT_EQ(load(broken, FromPaths).total(), 0);
    EXPECT_EQ(broken.value("title").toString(), "");
}

TEST_F(TagLoadingTest, PreprocessingCountsTagsArtworkAndFilledFields)
{
    const auto record = song();
    record->setValue("  Miles   Davis ", "composer");
    record->setValue("Own  Genre", "genre");
    record->setValue("keep  these  spaces", "comment");
    TagsPreprocessor preprocessor;
    PreprocessingStatistics statistics;
    preprocessor.jobStarted();
    preprocessor.preprocess(*record, TagsPreprocessor::TagsFromPaths | TagsPreprocessor::ExtraSpaces,
                            statistics, {});

    EXPECT_EQ(statistics.tagsLoaded, 8u);   // two respaced, six from the path
    EXPECT_EQ(statistics.artworkLoaded, 1u);
    EXPECT_EQ(record->value("composer").toString(), "Miles Davis");
    EXPECT_EQ(record->value("comment").toString(), "keep  these  spaces");
    EXPECT_TRUE(statistics.filledKeys.contains("image"));
    EXPECT_TRUE(statistics.filledKeys.contains("trackNumber"));
    EXPECT_FALSE(statistics.filledKeys.contains("composer"));

    PreprocessingStatistics spacesOnly;
    const auto other = song("Some Band/Other Album/02 Other Song.mp3");
    preprocessor.preprocess(*other, TagsPreprocessor::ExtraSpaces, spacesOnly, {});
    EXPECT_FALSE(spacesOnly.hasChanges());
    EXPECT_FALSE(other->isDirty());
}

TEST_F(TagLoadingTest, TheRunVisitsRecordsInOrderAndStopsBetweenThem)
{
    RecordList records = {song(), song("Some Band/Other Album/02 Other Song.mp3")};
    QZTagLibRecordDataArrayController collection;
    tagmint::collection::StopFlag stop;
    TagLoadRequest request;
    request.flags = FromPaths | MissingOnly;
    qint64 changes = -1;
    tagmint::collection::JobCallbacks callbacks;
    callbacks.stop = stop.callback();
    callbacks.progress = [&stop](qint64 index, qint64) {
        if (index == 0)
            stop.request();   // seen before the next record
    };
    ASSERT_TRUE(collection.runRecordsJob(
        [&](const tagmint::collection::JobContext& context) { return runLoadTags(records, request, context); },
        callbacks, [&changes](qint64 count) { changes = count; }, tagmint::collection::kRunInline));
    EXPECT_EQ(changes, 7);
    EXPECT_EQ(records.at(0)->value("title").toString(), "So What");
    EXPECT_TRUE(isFieldMissing(*records.at(1), "title"));
}
