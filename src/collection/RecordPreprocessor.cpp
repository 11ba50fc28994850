#include "collection/RecordPreprocessor.h"

void RecordPreprocessor::preprocess(QZTagLibRecord&, quint32, PreprocessingStatistics&,
                                    const MessageCallback&)
{
}
