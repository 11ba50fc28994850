#include "app/TableGridView.h"

#include "app/CellDelegate.h"
#include "app/CellPopover.h"
#include "app/ComposeOptionsPanel.h"
#include "app/TableModel.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/ColumnLayout.h"
#include "table/FileNameComposing.h"
#include "table/QZTagLibTableSelection.h"
#include "table/ColumnCatalog.h"
#include "table/SelectionKeyboard.h"
#include "table/TableClipboard.h"
#include "table/TableViewController.h"
#include "table/TextFinderController.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>

using tagmint::table::localFilesFromMimeData;

// --- CellLineEdit ------------------------------------------------------------------

void CellLineEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit commitRequested(true);
        return;
    case Qt::Key_Escape:
        emit cancelRequested();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void CellLineEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A context menu or a completion popup takes the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason)
        emit commitRequested(false);
}

// --- TableHeader ---------------------------------------------------------------------

void TableHeader::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (m_controller
        && m_controller->headerDoubleClicked(logicalIndexAt(x - 5), logicalIndexAt(x),
                                             logicalIndexAt(x + 5))) {
        event->accept();
        return;
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

int TableHeader::widthForTitle(const QString& title) const
{
    // Measured as QHeaderView measures its size hints: in bold (as a
    // highlighted section is drawn) and with an indicator.
    QStyleOptionHeader option;
    initStyleOption(&option);
    QFont bold = font();
    bold.setBold(true);
    option.fontMetrics = QFontMetrics(bold);
    option.text = title;
    option.sortIndicator = QStyleOptionHeader::SortDown;
    const QSize label = style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    // The same room QHeaderView keeps for the indicator in its size hints.
    return label.width() + label.height() + style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
}

void TableHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (option->sortIndicator == QStyleOptionHeader::None)
        return;
    option->sortIndicator = sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortUp
                                                                        : QStyleOptionHeader::SortDown;
}

// --- TableGridView ---------------------------------------------------------------------

TableGridView::TableGridView(QWidget* parent)
    : QTableView(parent), m_header(new TableHeader(this))
{
    setHorizontalHeader(m_header);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    // The cells draw the grid themselves (see CellDelegate).
    setShowGrid(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(defaultRowHeight());
    verticalHeader()->setMinimumSectionSize(defaultRowHeight());

    m_header->setSectionsClickable(true);
    m_header->setSectionsMovable(true);
    m_header->setFirstSectionMovable(false);
    m_header->setSortIndicatorShown(true);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_header, &QHeaderView::sectionMoved, this, &TableGridView::sectionMoved);
    connect(m_header, &QHeaderView::sectionResized, this, &TableGridView::sectionResized);
    connect(m_header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& point) {
        emit headerMenuRequested(m_header->logicalIndexAt(point), m_header->mapToGlobal(point));
    });

    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(150);
    connect(&m_resizeTimer, &QTimer::timeout, this, [this] {
        if (m_controller && m_resizedColumn >= 0)
            m_controller->columnResized(m_resizedColumn, float(m_resizedWidth));
        m_resizedColumn = -1;
    });
}

TableGridView::~TableGridView()
{
    // No commit while the window is torn down.
    if (m_editor) {
        m_editor->disconnect(this);
        m_editor = nullptr;
    }
}

int TableGridView::defaultRowHeight() const { return std::max(20, fontMetrics().height() + 6); }

void TableGridView::setController(TableViewController* controller, TableModel* model)
{
    m_controller = controller;
    m_model = model;
    m_header->setController(controller);
    controller->layout().setHeaderWidth([header = m_header](const ColumnDescription& column) {
        return float(header->widthForTitle(column.title));
    });
    m_mouse = std::make_unique<SelectionMouse>(controller->selection());
    setModel(model);
    m_delegate = new CellDelegate(*controller, this);
    m_delegate->setFinder(m_finder);
    setItemDelegate(m_delegate);
    connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
        m_controller->headerClicked(column);
        syncColumns();
    });
    syncColumns();
}

void TableGridView::syncColumns()
{
    if (!m_controller)
        return;
    const ColumnLayout& layout = m_controller->layout();
    m_syncingHeader = true;
    for (int column = 0; column < layout.columnCount() && column < m_header->count(); ++column) {
        const ColumnDescription& description = layout.columnAt(column);
        const float width = description.isRowNumber() ? description.minWidth
                                                      : layout.width(description.identifier);
        m_header->setSectionResizeMode(column, description.isFixedWidth() ? QHeaderView::Fixed
                                                                          : QHeaderView::Interactive);
        if (m_header->sectionSize(column) != int(width))
            m_header->resizeSection(column, int(width));
    }
    const auto [sortColumn, ascending] = m_controller->sortIndicator();
    m_header->setSortIndicator(sortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_syncingHeader = false;
}

void TableGridView::sectionMoved(int, int oldVisual, int newVisual)
{
    if (m_syncingHeader || !m_controller)
        return;
    // The header always shows the layout's order: the section goes back and
    // the layout, when it takes the move, reorders the model's columns.
    QMetaObject::invokeMethod(this, [this, oldVisual, newVisual] {
        m_syncingHeader = true;
        m_header->moveSection(newVisual, oldVisual);
        m_syncingHeader = false;
        m_controller->columnMoved(oldVisual, newVisual);
    }, Qt::QueuedConnection);
}

void TableGridView::sectionResized(int logical, int, int newSize)
{
    if (m_syncingHeader || !m_controller)
        return;
    if (m_resizedColumn >= 0 && m_resizedColumn != logical)
        m_controller->columnResized(m_resizedColumn, float(m_resizedWidth));
    m_resizedColumn = logical;
    m_resizedWidth = newSize;
    m_resizeTimer.start();
}

QRect TableGridView::cellRect(int row, int column) const
{
    if (!m_model)
        return {};
    return visualRect(m_model->index(row, column));
}

bool TableGridView::isArtworkColumn(int column) const
{
    const ColumnDescription* description = m_controller ? m_controller->grid().columnAt(column) : nullptr;
    return description && description->columnClass == ColumnClass::Artwork;
}

std::optional<std::pair<int, int>> TableGridView::artworkDropTarget(const QDropEvent* event) const
{
    if (!m_controller || !m_model)
        return std::nullopt;
    const QPoint point = event->position().toPoint();
    const int row = rowAt(point.y());
    const int column = columnAt(point.x());
    if (row < 0 || !isArtworkColumn(column) || m_controller->grid().isCellReadOnly(row, column))
        return std::nullopt;
    const QMimeData* mime = event->mimeData();
    if (localFilesFromMimeData(mime).isEmpty() && !tagmint::table::hasImageData(mime))
        return std::nullopt;
    return std::make_pair(row, column);
}

std::pair<int, int> TableGridView::cellAt(const QPoint& point) const
{
    int row = rowAt(point.y());
    if (row < 0)
        row = point.y() < 0 ? -1 : m_model->rowCount();
    int column = columnAt(point.x());
    if (column < 0)
        column = point.x() < 0 ? -1 : m_model->columnCount();
    return {row, column};
}

// --- SelectionHost -----------------------------------------------------------------------

void TableGridView::scrollRowToVisible(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    const int top = rowViewportPosition(row);
    const int bottom = top + QTableView::rowHeight(row);
    QScrollBar* bar = verticalScrollBar();
    if (top < 0)
        bar->setValue(bar->value() + top);
    else if (bottom > viewport()->height())
        bar->setValue(bar->value() + bottom - viewport()->height());
}

void TableGridView::scrollColumnToVisible(int column)
{
    if (!m_model || column < 0 || column >= m_model->columnCount())
        return;
    const int left = columnViewportPosition(column);
    const int right = left + columnWidth(column);
    QScrollBar* bar = horizontalScrollBar();
    if (left < 0)
        bar->setValue(bar->value() + left);
    else if (right > viewport()->width())
        bar->setValue(bar->value() + std::min(right - viewport()->width(), left));
}

bool TableGridView::isCellFullyVisible(int row, int column) const
{
    const QRect rect = cellRect(row, column);
    return rect.isValid() && viewport()->rect().contains(rect);
}

bool TableGridView::hasCellView(int row, int column) const
{
    const QRect rect = cellRect(row, column);
    return rect.isValid() && viewport()->rect().intersects(rect);
}

double TableGridView::visibleHeight() const { return viewport()->height(); }

double TableGridView::rowHeight() const { return verticalHeader()->defaultSectionSize(); }

void TableGridView::endEditing() { commitEditing(false); }

void TableGridView::discardEditing() { closeEditor(); }

void TableGridView::beginEditing(int row, int column, const KeyPress* event)
{
    if (!m_controller)
        return;
    const QString typed = event ? event->text.trimmed() : QString();
    if (event && event->key != Qt::Key_Return && event->key != Qt::Key_Enter)
        openEditor(row, column, typed, false);
    else
        openEditor(row, column, m_controller->editText(row, column), true);
}

void TableGridView::setFinder(const TextFinderController* finder)
{
    m_finder = finder;
    if (m_delegate)
        m_delegate->setFinder(finder);
}

void TableGridView::openEditor(int row, int column, const QString& text, bool selectAll)
{
    closeEditor();
    m_editRow = row;
    m_editIdentifier = m_controller->grid().columnIdentifier(column);
    m_editor = new CellLineEdit(viewport());
    m_editor->setObjectName(QStringLiteral("CellEditor"));
    m_editor->setFrame(false);
    m_editor->setText(text);
    const auto found = m_finder && selectAll ? m_finder->selectedRange(row, column, text) : std::nullopt;
    if (found)
        m_editor->setSelection(int(found->location), int(found->length));
    else if (selectAll)
        m_editor->selectAll();
    else
        m_editor->end(false);
    m_editor->setGeometry(cellRect(row, column));
    connect(m_editor, &CellLineEdit::commitRequested, this, &TableGridView::commitEditing);
    connect(m_editor, &CellLineEdit::cancelRequested, this, &TableGridView::discardEditing);
    m_editor->show();
    m_editor->setFocus();
}

void TableGridView::closeEditor()
{
    if (CellPopover* introduction = std::exchange(m_introduction, nullptr))
        introduction->close();
    if (!m_editor)
        return;
    CellLineEdit* editor = std::exchange(m_editor, nullptr);
    editor->disconnect(this);
    // Hiding the focused editor would pass the focus on like Tab, which
    // moves the active cell to the right: the grid takes it back first.
    if (editor->hasFocus() || focusWidget() == editor)
        setFocus();
    editor->hide();
    editor->deleteLater();
}

void TableGridView::commitEditing(bool withReturn)
{
    if (!m_editor || !m_controller)
        return;
    const QString text = m_editor->text();
    const int row = m_editRow;
    const int column = m_controller->grid().columnWithIdentifier(m_editIdentifier);
    closeEditor();
    if (column < 1)
        return;
    const TableViewController::EditOutcome outcome =
        m_controller->commitEdit(row, column, text, withReturn);
    if (outcome.error) {
        CellPopover* popover = showPopoverAtCell(row, column, outcome.error->title,
                                                 outcome.error->message, QStringLiteral("Edit"));
        const QString identifier = m_editIdentifier;
        // "Edit" goes back to the cell with what was typed.
        popover->setButtonAction([this, row, identifier, text] {
            const int at = m_controller->grid().columnWithIdentifier(identifier);
            if (at >= 1 && row < m_model->rowCount())
                openEditor(row, at, text, true);
        });
    }
}

CellPopover* TableGridView::showPopoverAtCell(int row, int column, const QString& title,
                                              const QString& text, const QString& button)
{
    if (m_popover)
        m_popover->close();
    scrollRowToVisible(row);
    scrollColumnToVisible(column);
    auto* popover = new CellPopover(viewport(), cellRect(row, column), title, text, button);
    m_popover = popover;
    popover->popup();
    return popover;
}

void TableGridView::showReadOnlyExplanation(int row, int column)
{
    const auto explanation = m_controller->readOnlyExplanation(row, column);
    showPopoverAtCell(row, column, explanation.title, explanation.message, QStringLiteral("OK"));
}

void TableGridView::showEditingIntroduction(int row, int column)
{
    if (CellPopover* previous = std::exchange(m_introduction, nullptr))
        previous->close();
    // Beside the open editor and without the keyboard; it goes with the editor.
    m_introduction = new CellPopover(viewport(), cellRect(row, column),
                                     QZTagLibTableSelection::editingIntroductionTitle(),
                                     QZTagLibTableSelection::editingIntroductionText(),
                                     QZTagLibTableSelection::editingIntroductionButton(),
                                     CellPopover::Kind::Beside);
    // A click on it leaves the keyboard with the editor.
    m_introduction->setFocusProxy(m_editor);
    m_introduction->popup();
}

void TableGridView::beginArtworkEdit(int row, int column) { emit artworkEditRequested(row, column); }

void TableGridView::showFileNameComposer(int row, int column, bool introductionFirst)
{
    if (!m_controller)
        return;
    scrollRowToVisible(row);
    scrollColumnToVisible(column);
    const QString identifier = m_controller->grid().columnIdentifier(column);
    // The cell may have moved when the panel is asked for later.
    const auto openPanel = [this, row, identifier] {
        const int at = m_controller->grid().columnWithIdentifier(identifier);
        const RecordList& records = m_controller->collection().arrangedObjects();
        if (at < 1 || row >= records.size())
            return;
        QZTagLibTableSettings& settings = m_controller->settings();
        QRect anchor = accessoryRect(row, at);
        if (anchor.isEmpty())
            anchor = cellRect(row, at);
        ComposeOptionsPanel* panel = ComposeOptionsPanel::present(
            viewport(), anchor, records.at(row), quint32(settings.composeFileNameFlags()));
        if (!panel)
            return;
        settings.setComposeFileNamePopoverShown();
        m_composePanel = panel;
        panel->setClosedAction([this](ComposeOptionsPanel& closed) {
            m_controller->composePanelClosed(closed.composeFlags(), closed.doneButtonPressed());
        });
    };
    if (!introductionFirst) {
        openPanel();
        return;
    }
    // Seen once is enough: shown again it would stand before every edit of
    // a file name by hand until the panel had been opened.
    m_controller->settings().setComposeFileNamePopoverShown();
    if (m_popover)
        m_popover->close();
    QRect anchor = accessoryRect(row, column);
    if (anchor.isEmpty())
        anchor = cellRect(row, column);
    auto* popover = new CellPopover(viewport(), anchor, tagmint::table::composeIntroductionTitle(),
                                    tagmint::table::composeIntroductionText(),
                                    tagmint::table::composeIntroductionButton());
    m_popover = popover;
    popover->setButtonAction([this, openPanel] {
        QMetaObject::invokeMethod(this, openPanel, Qt::QueuedConnection);
    });
    popover->popup();
}

QRect TableGridView::accessoryRect(int row, int column) const
{
    if (!m_controller || m_controller->grid().columnIdentifier(column) != QLatin1String("filename")
        || !m_controller->selection().cellState(row, column).isSelected
        || m_controller->grid().isCellReadOnly(row, column))
        return {};
    return CellDelegate::accessoryRect(cellRect(row, column));
}

void TableGridView::reloadData()
{
    if (m_editor)
        closeEditor();
    if (m_model)
        m_model->reload();
    syncColumns();
}

void TableGridView::refreshVisibleCells()
{
    if (m_model)
        m_model->refresh();
    viewport()->update();
}

void TableGridView::updateCellDrawing() { viewport()->update(); }

void TableGridView::makeFirstResponder()
{
    if (!m_editor)
        setFocus();
}

void TableGridView::takeFocusFromOutside()
{
    if (!hasFocus() && !(m_editor && m_editor->hasFocus()))
        setFocus(Qt::MouseFocusReason);
}

void TableGridView::beep() { QApplication::beep(); }

// --- Input -------------------------------------------------------------------------------

void TableGridView::keyPressEvent(QKeyEvent* event)
{
    if (!m_controller) {
        QTableView::keyPressEvent(event);
        return;
    }
    KeyPress key{event->key(), event->modifiers(), event->text(), event->isAutoRepeat()};
    if (tagmint::table::handleKeyDown(m_controller->selection(), key)) {
        event->accept();
        return;
    }
    // Not the item view's own handling: it would move Qt's current index.
    QWidget::keyPressEvent(event);
}

bool TableGridView::focusNextPrevChild(bool next)
{
    // Tab moves between cells (committing an edit first); it never leaves
    // the table but for a shown find bar, and not out of a cell's editor.
    if (m_controller) {
        const bool editing = m_editor != nullptr;
        commitEditing(false);
        QZTagLibTableSelection& selection = m_controller->selection();
        if (editing) {
            next ? tagmint::table::tab(selection) : tagmint::table::backTab(selection);
            return true;
        }
        KeyPress key{next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier, QString(), false};
        tagmint::table::handleKeyDown(selection, key);
        return true;
    }
    return QTableView::focusNextPrevChild(next);
}

void TableGridView::mousePressEvent(QMouseEvent* event)
{
    if (!m_controller)
        return;
    if (m_popover)
        m_popover->close();
    const auto [row, column] = cellAt(event->position().toPoint());
    if (event->button() == Qt::RightButton) {
        m_mouse->rightPress(row, column);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (accessoryRect(row, column).contains(event->position().toPoint())) {
        m_tracking = false;
        showFileNameComposer(row, column, !m_controller->settings().composeFileNamePopoverShown());
        event->accept();
        return;
    }
    m_tracking = m_mouse->press({row, column, event->modifiers(), 1});
    event->accept();
}

void TableGridView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking || !(event->buttons() & Qt::LeftButton))
        return;
    const auto [row, column] = cellAt(event->position().toPoint());
    m_mouse->drag(row, column);
}

void TableGridView::mouseReleaseEvent(QMouseEvent* event)
{
    m_tracking = false;
    event->accept();
}

void TableGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_controller || event->button() != Qt::LeftButton)
        return;
    const auto [row, column] = cellAt(event->position().toPoint());
    m_mouse->press({row, column, event->modifiers(), 2});
    m_tracking = false;
    event->accept();
}

void TableGridView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() != QContextMenuEvent::Mouse && m_controller
        && m_controller->selection().hasSelection())
        makeFirstResponder();
    emit cellMenuRequested(event->globalPos());
    event->accept();
}

void TableGridView::dragEnterEvent(QDragEnterEvent* event)
{
    // Image data alone can only go into an artwork cell, so the drag is
    // taken in for now and judged as it moves.
    if (!localFilesFromMimeData(event->mimeData()).isEmpty() || tagmint::table::hasImageData(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TableGridView::dragMoveEvent(QDragMoveEvent* event)
{
    if (artworkDropTarget(event) || !localFilesFromMimeData(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TableGridView::dropEvent(QDropEvent* event)
{
    if (const auto target = artworkDropTarget(event)) {
        event->acceptProposedAction();
        emit artworkDropped(target->first, target->second, event->mimeData());
        return;
    }
    const QStringList names = localFilesFromMimeData(event->mimeData());
    if (names.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(names);
}

void TableGridView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    // The editor and its cell move together.
    if (m_editor) {
        const int column = m_controller->grid().columnWithIdentifier(m_editIdentifier);
        m_editor->setGeometry(cellRect(m_editRow, column));
    }
}
