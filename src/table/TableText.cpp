#include "table/TableText.h"

#include "util/TextConversion.h"

namespace tagmint::table {

namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Where the line starting at start ends, and where the next one starts.
std::pair<qsizetype, qsizetype> lineEnd(QByteArrayView text, qsizetype start)
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

QStringList cellsOfLine(QByteArrayView line)
{
    QStringList cells;
    qsizetype start = 0;
    while (true) {
        const qsizetype tab = line.indexOf('\t', start);
        const QByteArrayView bytes = line.sliced(start, (tab < 0 ? line.size() : tab) - start);
        QString cell = text::fromExternalBytes(bytes.toByteArray());
        cell.remove(QChar(u'\0'));
        cells.append(cell.trimmed());
        if (tab < 0)
            return cells;
        start = tab + 1;
    }
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
    TableRows rows;
    if (maxRows == 0)
        return rows;
    if (text.isEmpty())
        return {QStringList{QString()}};
    qsizetype start = 0;
    while (start < text.size() && (maxRows < 0 || rows.size() < maxRows)) {
        const auto [end, next] = lineEnd(text, start);
        rows.append(cellsOfLine(text.sliced(start, end - start)));
        start = next;
    }
    return rows;
}

QByteArrayView textAfterFirstLine(QByteArrayView text)
{
    return text.sliced(lineEnd(text, 0).second);
}

} // namespace tagmint::table
