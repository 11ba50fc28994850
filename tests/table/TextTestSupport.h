#pragma once
// Records for the text tools' and find's tests: all made from one file,
// their values set in memory.

#include "collection/RecordList.h"
#include "record/QZTagLibRecord.h"

#include <QList>
#include <QString>
#include <memory>
#include <utility>

namespace tagmint::test {

// A record of file with the fields set to the values (key, value).
inline RecordPtr recordWithValues(const QString& file, const QList<std::pair<QString, QString>>& values)
{
    auto record = std::make_shared<QZTagLibRecord>(file, 0);
    record->releaseTagResources();
    for (const auto& [key, value] : values)
        record->setValue(value, key);
    return record;
}

// One record per (title, artist) pair.
inline RecordList recordsWithTitleAndArtist(const QString& file,
                                            const QList<QPair<QString, QString>>& rows)
{
    RecordList records;
    for (const auto& [title, artist] : rows)
        records.append(recordWithValues(file, {{"title", title}, {"artist", artist}}));
    return records;
}

} // namespace tagmint::test
