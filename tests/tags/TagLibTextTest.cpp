#include "tags/TagLibText.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

#include <random>
#include <vector>

using namespace tagmint::tags;

namespace {

// TagLib's string from raw UTF-16 units, kept as they are (even when unpaired
// or zero). The byte order mark in front says "no swapping"; TagLib drops it.
TagLib::String fromUnits(const std::vector<char16_t>& units)
{
    std::wstring wide(1, wchar_t(0xFEFF));
    wide.append(units.begin(), units.end());
    return TagLib::String(wide, TagLib::String::UTF16);
}

// The way texts were read before the direct copy: through TagLib's UTF-8.
QString throughUtf8(const TagLib::String& text)
{
    const std::string bytes = text.to8Bit(true);
    const QByteArray utf8(bytes.data(), qsizetype(bytes.size()));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(utf8);
    return decoder.hasError() ? QString::fromLatin1(utf8) : decoded;
}

// A damaged text reads as if U+FFFD stood in for each lone surrogate.
std::vector<char16_t> withLoneSurrogatesReplaced(std::vector<char16_t> units)
{
    const auto isHigh = [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
    const auto isLow = [](char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    for (size_t i = 0; i < units.size(); ++i) {
        if (isHigh(units[i]) && i + 1 < units.size() && isLow(units[i + 1]))
            ++i;
        else if (isHigh(units[i]) || isLow(units[i]))
            units[i] = 0xFFFD;
    }
    return units;
}

void expectSameAsThroughUtf8(const std::vector<char16_t>& units)
{
    const TagLib::String text = fromUnits(units);
    ASSERT_EQ(text.size(), units.size());
    const QString expected = throughUtf8(fromUnits(withLoneSurrogatesReplaced(units)));
    const QString actual = fromTagLib(text);
    if (actual != expected) {
        QString shown;
        for (const char16_t unit : units)
            shown += QString::number(unit, 16) + ' ';
        FAIL() << "units " << shown.toStdString();
    }
}

TEST(TagLibText, KeepsWhatTheUtf8RoundTripKeptAndMarksDamage)
{
    EXPECT_EQ(fromTagLib(TagLib::String()), QString());
    EXPECT_EQ(fromTagLib(fromUnits({u'a', 0, u'b'})), QString::fromUtf16(u"a\0b", 3));
    EXPECT_EQ(fromTagLib(fromUnits({0xFEFF, u'x'})), u"x");
    EXPECT_EQ(fromTagLib(fromUnits({u'x', 0xFEFF, 0xFFFE})), u"x\uFEFF\uFFFE");
    EXPECT_EQ(fromTagLib(fromUnits({u'R', 0xD83D, 0xDE00})), u"R\U0001F600");
    EXPECT_EQ(fromTagLib(fromUnits({u'a', 0xD800, u'b'})), u"a\uFFFDb");
    EXPECT_EQ(fromTagLib(fromUnits({0xDE00, 0xD83D})), u"\uFFFD\uFFFD");
    EXPECT_EQ(fromTagLib(fromUnits({0xFEFF, 0xDC00, 0xD800, 0xDC00})), u"\uFFFD\U00010000");
}

TEST(TagLibText, EveryUnitAtEveryPlaceGivesTheRoundTripsAnswer)
{
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const auto u = char16_t(unit);
        expectSameAsThroughUtf8({u});
        expectSameAsThroughUtf8({u, u'z'});
        expectSameAsThroughUtf8({u'a', u, u'z'});
        expectSameAsThroughUtf8({u'a', u});
        if (HasFailure())
            return;
    }
}

TEST(TagLibText, RandomTextsGiveTheRoundTripsAnswer)
{
    // Mostly the units that need care: surrogates, byte order marks, zeros.
    const char16_t tricky[] = {0, u'a', 0x7F, 0x80, 0xFF, 0x100, 0x7FF, 0x800, 0xD7FF, 0xD800,
                               0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFEFF, 0xFFFD, 0xFFFE, 0xFFFF};
    std::mt19937 random(15);
    std::uniform_int_distribution<int> length(1, 12), pick(0, std::size(tricky) + 3),
        any(0, 0xFFFF);
    for (int round = 0; round < 200000 && !HasFailure(); ++round) {
        std::vector<char16_t> units(size_t(length(random)));
        for (char16_t& unit : units) {
            const int choice = pick(random);
            unit = choice < int(std::size(tricky)) ? tricky[choice] : char16_t(any(random));
        }
        expectSameAsThroughUtf8(units);
    }
}

} // namespace
