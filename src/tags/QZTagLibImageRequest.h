#pragma once
// One record's thumbnail: what it is made from, who waits for it and, once
// done, the thumbnail itself. Only touched under its loader's lock.

#include <QImage>
#include <QList>
#include <QString>
#include <functional>

class QObject;
class QZTagLibRecord;

class QZTagLibImageRequest {
public:
    using Callback = std::function<void(const QImage& thumbnail)>;

    // A waiting party: the callback runs on the main thread unless its
    // context was removed first.
    struct Target {
        QObject* context = nullptr;
        Callback callback;
    };

    explicit QZTagLibImageRequest(QZTagLibRecord* record);

    // The record until the request is done; nullptr afterwards.
    QZTagLibRecord* record() const { return m_record; }

    // A second target with the same (non-null) context replaces the first.
    void addTarget(QObject* context, Callback callback);
    // True when a target with this context was there.
    bool removeTarget(QObject* context);
    bool hasTargets() const { return !m_targets.isEmpty(); }
    QList<Target> takeTargets();

    // The image to scale, taken from the record on the main thread when it
    // holds a changed image; otherwise the path to read it from.
    void setSource(const QImage& changedImage, const QString& path);
    QImage changedImage() const { return m_changedImage; }
    QString path() const { return m_path; }

    bool isCancelled() const { return m_cancelled; }
    void setCancelled(bool cancelled) { m_cancelled = cancelled; }

    bool isDone() const { return m_done; }
    QImage thumbnail() const { return m_thumbnail; }
    // Keeps the thumbnail, lets go of the record and the source.
    void finish(const QImage& thumbnail);

private:
    QZTagLibRecord* m_record;
    QList<Target> m_targets;
    QImage m_changedImage;
    QString m_path;
    QImage m_thumbnail;
    bool m_cancelled = false;
    bool m_done = false;
};
