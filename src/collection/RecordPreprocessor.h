#pragma once
// The preprocessing that opening and reloading apply to each record when the
// preprocess flags ask for it (tags from paths, extra spaces, network). This
// base changes nothing and reports nothing; the windows install the one that
// loads tags (network/TagsPreprocessor).

#include "collection/PreprocessingStatistics.h"

#include <QString>
#include <functional>

class QZTagLibRecord;

class RecordPreprocessor {
public:
    // Bits of the preprocess flags (the setting PreprocessFlags).
    static constexpr quint32 TagsFromPaths = 0x1;
    static constexpr quint32 ExtraSpaces = 0x4;
    static constexpr quint32 TagsFromNetwork = 0x8;

    using MessageCallback = std::function<void(const QString&)>;

    virtual ~RecordPreprocessor() = default;

    // A job begins: what was remembered for the previous one goes. Called on
    // the job's worker before its first record.
    virtual void jobStarted() {}

    // Runs on the job's worker, one record at a time. Counts what it changed
    // into statistics; message shows a progress line in the status bar.
    virtual void preprocess(QZTagLibRecord& record, quint32 preprocessFlags,
                            PreprocessingStatistics& statistics, const MessageCallback& message);
};
