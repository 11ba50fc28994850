#pragma once
// Records are shared between a collection and the jobs working on them, so
// a record outlives a window that closes while a job still visits it.

#include <QList>
#include <memory>

class QZTagLibRecord;

using RecordPtr = std::shared_ptr<QZTagLibRecord>;
using RecordList = QList<RecordPtr>;
