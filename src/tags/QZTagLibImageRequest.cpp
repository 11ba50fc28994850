#include "tags/QZTagLibImageRequest.h"

QZTagLibImageRequest::QZTagLibImageRequest(QZTagLibRecord* record)
    : m_record(record)
{
}

void QZTagLibImageRequest::addTarget(QObject* context, Callback callback)
{
    if (context) {
        for (Target& target : m_targets) {
            if (target.context == context) {
                target.callback = std::move(callback);
                return;
            }
        }
    }
    m_targets.append(Target{context, std::move(callback)});
}

bool QZTagLibImageRequest::removeTarget(QObject* context)
{
    return m_targets.removeIf([context](const Target& target) {
        return target.context == context;
    }) > 0;
}

QList<QZTagLibImageRequest::Target> QZTagLibImageRequest::takeTargets()
{
    return std::exchange(m_targets, {});
}

void QZTagLibImageRequest::setSource(const QImage& changedImage, const QString& path)
{
    m_changedImage = changedImage;
    m_path = path;
}

void QZTagLibImageRequest::finish(const QImage& thumbnail)
{
    m_thumbnail = thumbnail;
    m_done = true;
    m_cancelled = false;
    m_record = nullptr;
    m_changedImage = QImage();
}
