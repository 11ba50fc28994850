#include "table/ColumnLayout.h"

#include "settings/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace tagmint::table;

// Stored visibility values; anything else means "use the default".
constexpr int kStoredVisible = 1;
constexpr int kStoredHidden = 2;

std::optional<int> storedInteger(const SettingsStore& store, const QString& key)
{
    const std::optional<QString> text = store.readFlatString(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Zero, negative, unparsable or non-finite widths keep the default; "inf"
// would otherwise pin the column at its maximum.
float storedWidth(const SettingsStore& store, const ColumnDescription& column)
{
    const std::optional<QString> text = store.readFlatString(widthKey(column.identifier));
    bool ok = false;
    const float value = text ? text->trimmed().toFloat(&ok) : 0.0f;
    if (!ok || !std::isfinite(value) || value <= 0)
        return column.width;
    return column.clampedWidth(value);
}

} // namespace

ColumnLayout::ColumnLayout(SettingsStore& store)
    : m_store(store)
{
    load();
}

void ColumnLayout::load()
{
    m_settings.clear();
    m_order.clear();
    for (const ColumnDescription* column : layoutColumns()) {
        QZTagLibTableColumnSetting setting;
        setting.column = column;
        setting.width = storedWidth(m_store, *column);
        const std::optional<int> visible = storedInteger(m_store, visibleKey(column->identifier));
        setting.visible = visible == kStoredVisible   ? true
                          : visible == kStoredHidden ? false
                                                     : column->visibleByDefault;
        const std::optional<int> index = storedInteger(m_store, indexKey(column->identifier));
        setting.index = index && *index > 0 ? *index : column->defaultIndex;
        m_settings.append(setting);
    }

    for (int i = 0; i < m_settings.size(); ++i) {
        if (m_settings.at(i).visible)
            m_order.append(i);
    }
    std::stable_sort(m_order.begin(), m_order.end(), [this](int a, int b) {
        return m_settings.at(a).index < m_settings.at(b).index;
    });

    // A damaged or hand-edited file may leave nothing to search in; find
    // and the hide rules rely on at least one searchable column.
    if (numberOfVisibleSearchableColumns() == 0) {
        insertColumn(tagmint::record::fieldKey(RecordField::Title));
        saveAndSyncColumnsConfiguration();
    }
}

const ColumnDescription& ColumnLayout::columnAt(int index) const
{
    if (index == 0)
        return tagmint::table::columnCatalog().first();
    return *m_settings.at(m_order.at(index - 1)).column;
}

QString ColumnLayout::identifierAt(int index) const
{
    return isValidIndex(index) ? columnAt(index).identifier : QString();
}

QString ColumnLayout::titleOfColumnWithIndex(int index) const
{
    return isValidIndex(index) ? columnAt(index).title : QString();
}

int ColumnLayout::indexOfColumn(const QString& identifier) const
{
    if (identifier == kRowNumberIdentifier)
        return 0;
    for (int i = 0; i < m_order.size(); ++i) {
        if (m_settings.at(m_order.at(i)).column->identifier == identifier)
            return i + 1;
    }
    return -1;
}

QStringList ColumnLayout::columnIdentifiers() const
{
    return columns(Filter::All);
}

QStringList ColumnLayout::columns(Filter filter) const
{
    QStringList identifiers;
    for (int position : m_order) {
        const ColumnDescription& column = *m_settings.at(position).column;
        const bool searchable = column.searchable;
        const bool editable = !column.isReadOnly;
        const bool passes = filter == Filter::All                  ? true
                            : filter == Filter::Searchable         ? searchable
                            : filter == Filter::Editable           ? editable
                                                                   : editable && searchable;
        if (passes)
            identifiers.append(column.identifier);
    }
    return identifiers;
}

QStringList ColumnLayout::hiddenColumns() const
{
    QStringList identifiers;
    for (int i = 0; i < m_settings.size(); ++i) {
        if (!m_order.contains(i))
            identifiers.append(m_settings.at(i).column->identifier);
    }
    return identifiers;
}

int ColumnLayout::numberOfVisibleSearchableColumns() const
{
    return int(columns(Filter::Searchable).size());
}

bool ColumnLayout::hasVisibleAudioPropertyColumns() const
{
    return std::any_of(m_order.cbegin(), m_order.cend(), [this](int position) {
        return m_settings.at(position).column->isAudioProperty;
    });
}

bool ColumnLayout::hasVisibleArtworkColumn() const
{
    return std::any_of(m_order.cbegin(), m_order.cend(), [this](int position) {
        return m_settings.at(position).column->columnClass == ColumnClass::Artwork;
    });
}

const QZTagLibTableColumnSetting* ColumnLayout::setting(const QString& identifier) const
{
    for (const QZTagLibTableColumnSetting& setting : m_settings) {
        if (setting.column->identifier == identifier)
            return &setting;
    }
    return nullptr;
}

QZTagLibTableColumnSetting* ColumnLayout::mutableSetting(const QString& identifier)
{
    return const_cast<QZTagLibTableColumnSetting*>(std::as_const(*this).setting(identifier));
}

float ColumnLayout::width(const QString& identifier) const
{
    if (identifier == kRowNumberIdentifier)
        return tagmint::table::columnCatalog().first().width;
    const QZTagLibTableColumnSetting* found = setting(identifier);
    return found ? found->width : 0;
}

bool ColumnLayout::canHideColumn(int index) const
{
    // Hiding the row numbers would shift every selectable column onto
    // index 0, which the selection treats as unselectable.
    if (index <= 0 || index >= columnCount())
        return false;
    if (!columnAt(index).searchable)
        return true;
    return numberOfVisibleSearchableColumns() > 1;
}

bool ColumnLayout::canHideColumnsOthersThanColumns(const QStringList& identifiers) const
{
    return std::any_of(identifiers.cbegin(), identifiers.cend(), [](const QString& identifier) {
        const ColumnDescription* column = columnDescription(identifier);
        return column && column->searchable;
    });
}

bool ColumnLayout::canMoveColumn(int from, int to) const
{
    return from > 0 && to > 0 && from < columnCount() && to < columnCount();
}

QStringList ColumnLayout::hideColumns(const QStringList& identifiers)
{
    QStringList hidden;
    for (const QString& identifier : identifiers) {
        const int index = indexOfColumn(identifier);
        if (!canHideColumn(index))
            continue;
        m_order.removeAt(index - 1);
        hidden.append(identifier);
    }
    if (!hidden.isEmpty()) {
        saveAndSyncColumnsConfiguration();
        changed();
    }
    return hidden;
}

int ColumnLayout::insertionPosition(const ColumnDescription& column) const
{
    // Placing by rank rather than at the stored index as a display position:
    // default indexes start at 2, so the literal position would put a column
    // one place right of where the default layout shows it.
    for (int i = 0; i < m_order.size(); ++i) {
        if (m_settings.at(m_order.at(i)).column->defaultIndex > column.defaultIndex)
            return i;
    }
    return int(m_order.size());
}

bool ColumnLayout::insertColumn(const QString& identifier)
{
    const QZTagLibTableColumnSetting* found = setting(identifier);
    if (!found || isVisible(identifier))
        return false;
    m_order.insert(insertionPosition(*found->column), int(found - m_settings.constData()));
    return true;
}

QStringList ColumnLayout::showColumns(const QStringList& identifiers)
{
    QStringList shown;
    for (const QString& identifier : identifiers) {
        if (insertColumn(identifier))
            shown.append(identifier);
    }
    if (!shown.isEmpty()) {
        saveAndSyncColumnsConfiguration();
        changed();
    }
    return shown;
}

bool ColumnLayout::moveColumn(int from, int to)
{
    if (!canMoveColumn(from, to))
        return false;
    if (from == to)
        return true;
    m_order.move(from - 1, to - 1);
    saveAndSyncColumnsConfiguration();
    changed();
    return true;
}

float ColumnLayout::setWidth(const QString& identifier, float width)
{
    const QList<std::pair<QString, float>> applied = setWidths({{identifier, width}});
    return applied.isEmpty() ? 0 : applied.first().second;
}

QList<std::pair<QString, float>> ColumnLayout::setWidths(
    const QList<std::pair<QString, float>>& widths)
{
    QList<std::pair<QString, float>> applied;
    for (const auto& [identifier, width] : widths) {
        QZTagLibTableColumnSetting* found = mutableSetting(identifier);
        if (!found || !std::isfinite(width))
            continue;
        found->width = clampedWidth(*found->column, width);
        applied.append({identifier, found->width});
    }
    if (!applied.isEmpty()) {
        saveAndSyncColumnsConfiguration();
        changed();
    }
    return applied;
}

void ColumnLayout::saveAndSyncColumnsConfiguration()
{
    QList<std::pair<QString, QString>> values;
    values.reserve(m_settings.size() * 3);
    for (int i = 0; i < m_settings.size(); ++i) {
        QZTagLibTableColumnSetting& setting = m_settings[i];
        const qsizetype position = m_order.indexOf(i);
        setting.width = clampedWidth(*setting.column, setting.width);
        setting.visible = position >= 0;
        setting.index = setting.visible ? int(position) + 1 : setting.column->defaultIndex;
        const QString& identifier = setting.column->identifier;
        values.append({widthKey(identifier), QString::number(double(setting.width))});
        values.append({visibleKey(identifier),
                       QString::number(setting.visible ? kStoredVisible : kStoredHidden)});
        values.append({indexKey(identifier), QString::number(setting.index)});
    }
    m_store.writeFlatStrings(values);
}

void ColumnLayout::setHeaderWidth(std::function<float(const ColumnDescription&)> measure)
{
    m_headerWidth = std::move(measure);
    bool raised = false;
    for (QZTagLibTableColumnSetting& setting : m_settings) {
        const float width = clampedWidth(*setting.column, setting.width);
        raised = raised || width != setting.width;
        setting.width = width;
    }
    // Not saved: what the user sees is stored with the next change.
    if (raised)
        changed();
}

float ColumnLayout::clampedWidth(const ColumnDescription& column, float width) const
{
    const float header = m_headerWidth ? m_headerWidth(column) : 0;
    return std::max(column.clampedWidth(width), header);
}

void ColumnLayout::changed()
{
    if (m_changed)
        m_changed();
}
