// Writing values by key: normalisation, validation and its messages, and the
// texts the record derives from numbers.

#include "record/QZTagLibRecord.h"
#include "record/RecordTexts.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tagmint;

namespace {

class RecordValues : public ::testing::Test {
protected:
    test::TempDir dir;
    QZTagLibRecord record{dir.copyFixture(QStringLiteral("plain.mp3")), 0};
};

} // namespace

TEST_F(RecordValues, NumericFieldsStoreOnlyPositiveDecimalsWithinBounds)
{
    record.setValue(QStringLiteral("007"), QStringLiteral("trackNumber"));
    EXPECT_EQ(record.value(QStringLiteral("trackNumber")).toString(), QStringLiteral("7"));

    for (const char* refused : {"0", "abc", "251", "-3"}) {
        record.setValue(QString::fromLatin1(refused), QStringLiteral("trackNumber"));
        EXPECT_EQ(record.value(QStringLiteral("trackNumber")).toString(), QStringLiteral("7"))
            << refused;
    }

    EXPECT_FALSE(record.setValueAndCheck(QStringLiteral("07"), QStringLiteral("trackNumber")));
    EXPECT_TRUE(record.setValueAndCheck(QStringLiteral("8"), QStringLiteral("trackNumber")));

    record.setValue(QString(), QStringLiteral("trackNumber"));
    EXPECT_EQ(record.value(QStringLiteral("trackNumber")).toString(), QString());

    record.setValue(QStringLiteral("2100"), QStringLiteral("year"));
    EXPECT_EQ(record.value(QStringLiteral("year")).toString(), QStringLiteral("2100"));
    record.setValue(QStringLiteral("29"), QStringLiteral("tempo"));
    EXPECT_EQ(record.value(QStringLiteral("tempo")).toString(), QString());
    record.setValue(QStringLiteral("12.7"), QStringLiteral("tempo"));
    EXPECT_EQ(record.value(QStringLiteral("tempo")).toString(), QString());
    record.setValue(QStringLiteral("120.7"), QStringLiteral("tempo"));
    EXPECT_EQ(record.value(QStringLiteral("tempo")).toString(), QStringLiteral("120"));
}

TEST_F(RecordValues, NumberValidationMessagesNameTheField)
{
    TagmintError error;
    QVariant value = QStringLiteral("1899");
    EXPECT_FALSE(record.validateValue(value, QStringLiteral("year"), &error));
    EXPECT_EQ(error.domain, QStringLiteral("tagmint"));
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.message, QStringLiteral("Number is required between 1900 and 2100 for Year."));

    value = QStringLiteral("abc");
    EXPECT_FALSE(record.validateValue(value, QStringLiteral("year"), &error));
    EXPECT_EQ(error.message, QStringLiteral("Number is required for Year."));

    value = QString();
    EXPECT_TRUE(record.validateValue(value, QStringLiteral("tempo"), &error));
    value = QStringLiteral("anything");
    EXPECT_TRUE(record.validateValue(value, QStringLiteral("comment"), &error));
}

TEST_F(RecordValues, FileNamesAreCleanedAndNeverBlank)
{
    TagmintError error;
    QVariant value = QStringLiteral("  ");
    EXPECT_FALSE(record.validateValue(value, QStringLiteral("filename"), &error));
    EXPECT_EQ(error.message, QStringLiteral("File Name cannot be empty."));

    value = QStringLiteral("//");
    EXPECT_FALSE(record.validateValue(value, QStringLiteral("filename"), &error));
    EXPECT_EQ(error.message, QStringLiteral("File Name contains invalid characters only."));

    value = QStringLiteral("a:b");
    EXPECT_TRUE(record.validateValue(value, QStringLiteral("filename"), &error));
    EXPECT_EQ(value.toString(), QStringLiteral("a b"));

    record.setValue(QStringLiteral("AC/DC | Live @ Home"), QStringLiteral("filename"));
    EXPECT_EQ(record.filename(), QStringLiteral("AC DC   Live   Home"));
    record.setValue(QStringLiteral(" * "), QStringLiteral("filename"));
    EXPECT_EQ(record.filename(), QStringLiteral("AC DC   Live   Home"));

    // A leading dot would hide the renamed file from every folder scan.
    for (const auto& [typed, kept] : {std::pair{"../escape", "escape"}, std::pair{" .hidden", "hidden"},
                                      std::pair{"a.b.", "a.b."}}) {
        value = QString::fromLatin1(typed);
        EXPECT_TRUE(record.validateValue(value, QStringLiteral("filename"), &error));
        EXPECT_EQ(value.toString(), QString::fromLatin1(kept));
    }
    value = QStringLiteral(". / .");
    EXPECT_FALSE(record.validateValue(value, QStringLiteral("filename"), &error));
    EXPECT_EQ(error.message, QStringLiteral("File Name contains invalid characters only."));
}

TEST_F(RecordValues, ArtworkAcceptsImagesAndEmptyTextOnly)
{
    TagmintError error;
    QVariant text = QStringLiteral("x");
    EXPECT_FALSE(record.validateValue(text, QStringLiteral("image"), &error));
    EXPECT_EQ(error.message, QStringLiteral("Image is required for Artwork."));
    EXPECT_FALSE(record.setValueAndCheck(QStringLiteral("x"), QStringLiteral("image")));
    EXPECT_FALSE(record.hasImage());

    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    EXPECT_TRUE(record.setValueAndCheck(picture, QStringLiteral("image")));
    EXPECT_TRUE(record.hasImage());
    EXPECT_EQ(record.value(QStringLiteral("image")).value<QImage>().size(), QSize(16, 16));

    EXPECT_TRUE(record.setValueAndCheck(QString(), QStringLiteral("image")));
    EXPECT_FALSE(record.hasImage());
    EXPECT_FALSE(record.value(QStringLiteral("image")).isValid());
    // Removing what is not there changes nothing.
    EXPECT_FALSE(record.setValueAndCheck(QString(), QStringLiteral("image")));
}

TEST_F(RecordValues, ReadOnlyFactsAreNotWritableByKey)
{
    const QString path = record.path();
    record.setValue(QStringLiteral("/elsewhere.mp3"), QStringLiteral("path"));
    record.setValue(QStringLiteral("Vorbis"), QStringLiteral("tagFormat"));
    EXPECT_EQ(record.path(), path);
    EXPECT_EQ(record.value(QStringLiteral("tagFormat")).toString(), QStringLiteral("ID3v2.4.0"));
    EXPECT_FALSE(record.value(QStringLiteral("noSuchKey")).isValid());
}

TEST(RecordTexts, SizesInBinaryUnitsAndDurationsInHoursMinutesSeconds)
{
    EXPECT_EQ(record::sizeText(1536), QStringLiteral("1.5 Kb"));
    EXPECT_EQ(record::sizeText(1023), QStringLiteral("1023 bytes"));
    EXPECT_EQ(record::sizeText(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(record::sizeText(1048576), QStringLiteral("1.0 Mb"));
    EXPECT_EQ(record::sizeText(5ull * 1073741824ull), QStringLiteral("5.0 Gb"));
    EXPECT_EQ(record::sizeText(3ull * 1099511627776ull / 2), QStringLiteral("1.5 Tb"));

    EXPECT_EQ(record::durationText(3725000), QStringLiteral("1:02:05"));
    EXPECT_EQ(record::durationText(59999), QStringLiteral("0:00:59"));
    EXPECT_EQ(record::durationText(0), QStringLiteral("-"));
    EXPECT_EQ(record::durationText(-61000), QStringLiteral("-0:01:01"));
    EXPECT_EQ(record::durationText(100LL * 3600 * 1000), QStringLiteral("100:00:00"));
    EXPECT_EQ(record::durationText(std::numeric_limits<qint64>::min()),
              QStringLiteral("-2562047788015:12:55"));
}

TEST_F(RecordValues, AudioPropertiesBecomeDisplayTexts)
{
    QZAudioProperties properties;
    properties.sampleRate = 44100;
    properties.bitrate = 0;
    properties.channels = 2;
    properties.channelsText = QStringLiteral("STEREO");
    properties.durationMs = 3725000;
    properties.formatText = QStringLiteral("MP3");
    record.applyAudioProperties(properties);

    EXPECT_EQ(record.value(QStringLiteral("frequency")).toString(), QStringLiteral("44100"));
    EXPECT_EQ(record.value(QStringLiteral("bitrate")).toString(), QStringLiteral("-"));
    EXPECT_EQ(record.value(QStringLiteral("channels")).toString(), QStringLiteral("Stereo"));
    EXPECT_EQ(record.value(QStringLiteral("duration")).toString(), QStringLiteral("1:02:05"));
    EXPECT_EQ(record.value(QStringLiteral("durationSortValue")).toInt(), 3725000);
    EXPECT_TRUE(record.hasAudioProperties());

    properties.channels = 0;
    record.applyAudioProperties(properties);
    EXPECT_EQ(record.value(QStringLiteral("channels")).toString(), QStringLiteral("-"));
}
