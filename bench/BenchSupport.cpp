#include "BenchSupport.h"

#include <QFile>

#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <ctime>
#include <malloc.h>

namespace tagmint::bench {

namespace {

QString tagText(const TagLib::String& text)
{
    return QString::fromStdString(text.to8Bit(true));
}

QString frameText(const TagLib::ID3v2::FrameListMap& frames, const char* id)
{
    const auto it = frames.find(id);
    if (it == frames.end() || it->second.isEmpty())
        return QString();
    return tagText(it->second.front()->toString());
}

} // namespace

qint64 plainTagLibLoop(const std::vector<QString>& paths)
{
    qint64 checksum = 0;
    for (const QString& path : paths) {
        TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
        if (!file.isValid())
            continue;
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        const TagLib::ID3v1::Tag* v1 = file.ID3v1Tag(false);
        const TagLib::ID3v2::FrameListMap& frames = tag->frameListMap();
        const QString texts[] = {
            tagText(tag->title()),  tagText(tag->artist()),  tagText(tag->album()),
            tagText(tag->genre()),  tagText(tag->comment()), frameText(frames, "TPE2"),
            frameText(frames, "TCOM"), frameText(frames, "TIT1"), frameText(frames, "TCOP"),
            frameText(frames, "TENC"), frameText(frames, "TKEY"), frameText(frames, "TBPM"),
            frameText(frames, "TRCK"), frameText(frames, "TPOS"),
        };
        for (const QString& text : texts)
            checksum += text.size();
        checksum += tag->year();
        const auto pictures = frames.find("APIC");
        checksum += pictures != frames.end() && !pictures->second.isEmpty() ? 1 : 0;
        checksum += v1 && !v1->isEmpty() ? 1 : 0;
        checksum += file.readOnly() ? 1 : 0;
    }
    return checksum;
}

qint64 plainTagLibLoopAnyFormat(const std::vector<QString>& paths)
{
    qint64 checksum = 0;
    for (const QString& path : paths) {
        const TagLib::FileRef file(QFile::encodeName(path).constData(), false);
        if (file.isNull() || !file.tag())
            continue;
        const TagLib::Tag* tag = file.tag();
        checksum += tagText(tag->title()).size() + tagText(tag->artist()).size()
            + tagText(tag->album()).size() + tagText(tag->genre()).size()
            + tagText(tag->comment()).size() + tag->year() + tag->track();
        for (const auto& [key, values] : file.file()->properties())
            checksum += tagText(key).size() + tagText(values.toString()).size();
    }
    return checksum;
}

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

qint64 heapInUseBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

} // namespace tagmint::bench
