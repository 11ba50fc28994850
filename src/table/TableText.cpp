#include "table/TableText.h"

#include "util/TextConversion.h"

#include <QStringDecoder>

namespace tagmint::table {

namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }
bool isLineEnd(QChar c) { return c == u'\n' || c == u'\r'; }

// Where the line starting at start ends, and where the next one starts.
template <typename View>
std::pair<qsizetype, qsizetype> lineEnd(View text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && !isLineEnd(text[end]))
        ++end;
    if (end == text.size())
        return {end, end};
    qsizetype next = end + 1;
    if (next < text.size() && isLineEnd(text[next]) && text[next] != text[end])
        ++next;
    return {end, next};
}

QString cleanCell(QString cell)
{
    if (cell.contains(QChar(u'\0')))
        cell.remove(QChar(u'\0'));
    return cell.trimmed();
}

QString cellText(QStringView cell) { return cleanCell(cell.toString()); }
QString cellText(QByteArrayView cell) { return cleanCell(text::fromExternalBytes(cell.toByteArray())); }

template <typename View>
TableRows parseLines(View text, qsizetype maxRows)
{
    TableRows rows;
    qsizetype start = 0;
    while (start < text.size() && (maxRows < 0 || rows.size() < maxRows)) {
        const auto [end, next] = lineEnd(text, start);
        QStringList cells;
        qsizetype cellStart = start;
        while (true) {
            qsizetype tab = cellStart;
            while (tab < end && text[tab] != '\t')
                ++tab;
            cells.append(cellText(text.sliced(cellStart, tab - cellStart)));
            if (tab == end)
                break;
            cellStart = tab + 1;
        }
        rows.append(std::move(cells));
        start = next;
    }
    return rows;
}

} // namespace

QString tableCellText(const QString& value)
{
    QString cell = value;
    cell.removeIf([](QChar c) {
        return c == u'\t' || c == u'\r' || c == u'\n' || c == u'\0';
    });
    return cell;
}

TableRows parseTableText(QByteArrayView text, qsizetype maxRows)
{
    if (maxRows == 0)
        return {};
    if (text.isEmpty())
        return {QStringList{QString()}};
    // UTF-8 throughout: decoded once. Otherwise each cell on its own, so one
    // cell in another encoding does not spoil the others.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(text);
    if (!utf8.hasError())
        return parseLines(QStringView(decoded), maxRows);
    return parseLines(text, maxRows);
}

QByteArrayView textAfterFirstLine(QByteArrayView text)
{
    return text.sliced(lineEnd(text, 0).second);
}

} // namespace tagmint::table
