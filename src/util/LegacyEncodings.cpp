#include "util/LegacyEncodings.h"

#include <QStringDecoder>

#include <map>

namespace tagmint::text {

using E = LegacyEncoding;

const QList<LegacyEncodingInfo>& legacyEncodings()
{
    static const QList<LegacyEncodingInfo> encodings = {
        {E::Windows1252, "windows-1252", "Western", "Windows-1252", nullptr},
        {E::Iso8859_15, "iso-8859-15", "Western", "ISO 8859-15", nullptr},
        {E::MacRoman, "macintosh", "Western", "Mac Roman", nullptr},
        {E::Windows1250, "windows-1250", "Central European", "Windows-1250", nullptr},
        {E::Iso8859_2, "iso-8859-2", "Central European", "ISO 8859-2", nullptr},
        {E::Windows1251, "windows-1251", "Cyrillic", "Windows-1251", nullptr},
        {E::Koi8R, "koi8-r", "Cyrillic", "KOI8-R", nullptr},
        {E::Koi8U, "koi8-u", "Cyrillic", "KOI8-U", nullptr},
        {E::Ibm866, "ibm866", "Cyrillic", "CP866", "cp866"},
        {E::Iso8859_5, "iso-8859-5", "Cyrillic", "ISO 8859-5", nullptr},
        {E::Windows1253, "windows-1253", "Greek", "Windows-1253", nullptr},
        {E::Windows1254, "windows-1254", "Turkish", "Windows-1254", nullptr},
        {E::Windows1257, "windows-1257", "Baltic", "Windows-1257", nullptr},
        {E::Windows1255, "windows-1255", "Hebrew", "Windows-1255", nullptr},
        {E::Windows1256, "windows-1256", "Arabic", "Windows-1256", nullptr},
        {E::ShiftJis, "shift_jis", "Japanese", "Shift_JIS", nullptr},
        {E::EucJp, "euc-jp", "Japanese", "EUC-JP", nullptr},
        // GB18030 contains GBK, so one decoder serves both names.
        {E::Gb18030, "gb18030", "Chinese", "GBK/GB18030", "gbk"},
        {E::Big5, "big5", "Chinese", "Big5", nullptr},
        {E::EucKr, "euc-kr", "Korean", "EUC-KR", nullptr},
    };
    return encodings;
}

QString LegacyEncodingInfo::title() const
{
    return QStringLiteral("%1 (%2)").arg(QLatin1String(script), QLatin1String(name));
}

const LegacyEncodingInfo* legacyEncoding(int id)
{
    for (const LegacyEncodingInfo& info : legacyEncodings()) {
        if (int(info.id) == id)
            return &info;
    }
    return nullptr;
}

const LegacyEncodingInfo* legacyEncodingNamed(const QString& name)
{
    for (const LegacyEncodingInfo& info : legacyEncodings()) {
        if (name.compare(QLatin1String(info.ianaName), Qt::CaseInsensitive) == 0
            || (info.alias && name.compare(QLatin1String(info.alias), Qt::CaseInsensitive) == 0))
            return &info;
    }
    return nullptr;
}

QStringList legacyEncodingNames()
{
    QStringList names;
    for (const LegacyEncodingInfo& info : legacyEncodings()) {
        names.append(QLatin1String(info.ianaName));
        if (info.alias)
            names.append(QLatin1String(info.alias));
    }
    return names;
}

std::optional<QString> decodeLegacy(const QByteArray& bytes, LegacyEncoding encoding)
{
    const LegacyEncodingInfo* info = legacyEncoding(int(encoding));
    if (!info)
        return std::nullopt;
    // Opening an ICU converter costs more than decoding a tag: one per code
    // page and thread. Qt 6.4 keeps an ICU decoder's error flag through
    // resetState(), so a decoder that met an error is made anew.
    thread_local std::map<LegacyEncoding, QStringDecoder> decoders;
    auto it = decoders.find(encoding);
    if (it == decoders.end())
        it = decoders.emplace(encoding, QStringDecoder(info->ianaName, QStringConverter::Flag::Stateless)).first;
    QStringDecoder& decoder = it->second;
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        decoders.erase(it);
        return std::nullopt;
    }
    return text;
}

} // namespace tagmint::text
