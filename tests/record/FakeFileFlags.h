#pragma once
// File flags held in memory, for the rules of locking and unlocking
// independent of what the file system here supports.

#include "record/PathLock.h"

#include <QList>
#include <QMap>

class FakeFileFlags : public FileFlagsAccess {
public:
    static constexpr quint32 kLock = 0x10;
    static constexpr quint32 kOther = 0x80000;

    std::optional<quint32> flags(const QByteArray& path) const override
    {
        queried.append(path);
        return values.contains(path) ? std::optional<quint32>(values.value(path)) : std::nullopt;
    }
    bool setFlags(const QByteArray& path, quint32 flags) override
    {
        values[path] = flags;
        return true;
    }
    quint32 lockFlag() const override { return kLock; }

    QMap<QByteArray, quint32> values;
    mutable QList<QByteArray> queried;
};
