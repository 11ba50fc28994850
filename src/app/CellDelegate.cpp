#include "app/CellDelegate.h"

#include "app/TableModel.h"
#include "table/TableViewController.h"
#include "table/TextFinderController.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

CellDelegate::CellDelegate(TableViewController& controller, QObject* parent)
    : QStyledItemDelegate(parent), m_controller(controller)
{
}

QColor CellDelegate::modifiedColor() { return QColor(0xdd, 0xdd, 0xdd); }

QColor CellDelegate::matchColor() { return QColor::fromRgbF(0.9f, 0.9f, 0.0f, 0.5f); }

QColor CellDelegate::currentMatchColor() { return QColor::fromRgbF(1.0f, 0.58f, 0.19f); }

void CellDelegate::paintMatches(QPainter* painter, const QString& text, const QString& shown,
                                const QRect& content, Qt::Alignment alignment, int row, int column) const
{
    const auto highlight = m_finder->highlight(row, column, text);
    if (!highlight || highlight->matches.isEmpty())
        return;
    const QFontMetrics metrics = painter->fontMetrics();
    const int shownWidth = metrics.horizontalAdvance(shown);
    int left = content.left();
    if (alignment & Qt::AlignRight)
        left = content.right() + 1 - shownWidth;
    else if (alignment & Qt::AlignHCenter)
        left = content.left() + (content.width() - shownWidth) / 2;
    // An elided text shows its beginning; matches past it are cut off there.
    const int visibleEnd = left + shownWidth;
    const auto paintRange = [&](const tagmint::table::TextRange& range, const QColor& color) {
        const int from = left + metrics.horizontalAdvance(text.left(range.location));
        const int to = std::min(left + metrics.horizontalAdvance(text.left(range.end())), visibleEnd);
        if (to > from)
            painter->fillRect(QRect(from, content.top(), to - from, content.height()), color);
    };
    for (const tagmint::table::TextRange& range : highlight->matches)
        paintRange(range, matchColor());
    if (highlight->current)
        paintRange(*highlight->current, currentMatchColor());
}

QRect CellDelegate::accessoryRect(const QRect& cell)
{
    constexpr int kWidth = 18;
    return QRect(cell.right() - kWidth - 2, cell.top() + 2, kWidth, std::max(0, cell.height() - 5));
}

QSize CellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), 20));
    return size;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    const CollectionGrid& grid = m_controller.grid();
    const int row = index.row();
    const int column = index.column();
    const QPalette& palette = option.palette;
    // The view draws no grid: each cell draws its own right and bottom line,
    // so the selection's outline can run over them without gaps.
    const QRect full = option.rect;
    const QRect rect = full.adjusted(0, 0, -1, -1);
    const bool rowNumber = column == 0;

    painter->save();
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const QColor gridColor = QColor::fromRgba(
        QRgb(style->styleHint(QStyle::SH_Table_GridLineColor, &option, option.widget)));
    painter->fillRect(QRect(full.right(), full.top(), 1, full.height()), gridColor);
    painter->fillRect(QRect(full.left(), full.bottom(), full.width(), 1), gridColor);

    // Background.
    QColor background = row % 2 ? palette.color(QPalette::AlternateBase) : palette.color(QPalette::Base);
    if (rowNumber)
        background = palette.color(QPalette::Window);
    else if (grid.isCellModified(row, column))
        background = modifiedColor();
    painter->fillRect(rect, background);

    const CellState state = m_controller.selection().cellState(row, column);
    QColor highlight = palette.color(QPalette::Highlight);
    if (state.isSelected && !state.isActive) {
        QColor tint = highlight;
        tint.setAlpha(55);
        painter->fillRect(rect, tint);
    }

    // Contents.
    const bool readOnly = !rowNumber && grid.isCellReadOnly(row, column);
    QRect content = rect.adjusted(4, 1, -4, -1);
    if (state.isSelected && !readOnly && grid.columnIdentifier(column) == QLatin1String("filename")) {
        const QRect button = accessoryRect(full);
        content.setRight(button.left() - 2);
        QStyleOptionButton look;
        look.rect = button;
        look.state = QStyle::State_Enabled | QStyle::State_Raised;
        look.palette = palette;
        look.text = QStringLiteral("\u2026");
        style->drawControl(QStyle::CE_PushButton, &look, painter, option.widget);
    }
    const QVariant loading = index.data(TableModel::LoadingRole);
    if (loading.isValid()) {
        const QImage thumbnail = index.data(TableModel::ThumbnailRole).value<QImage>();
        if (!thumbnail.isNull()) {
            const QSize size = thumbnail.size().scaled(rect.adjusted(2, 2, -2, -2).size(),
                                                       Qt::KeepAspectRatio);
            QRect target(QPoint(0, 0), size);
            target.moveCenter(rect.center());
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(target, thumbnail);
        } else if (loading.toBool()) {
            QFont small = option.font;
            small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
            painter->setFont(small);
            painter->setPen(palette.color(QPalette::PlaceholderText));
            painter->drawText(content, Qt::AlignCenter, QStringLiteral("Loading..."));
        }
    } else {
        const QString text = index.data(Qt::DisplayRole).toString();
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        QFont font = option.font;
        if (readOnly && !grid.isColumnReadOnly(column))
            font.setItalic(true);   // the record itself cannot be written
        painter->setFont(font);
        const bool dim = rowNumber || readOnly;
        painter->setPen(dim ? palette.color(QPalette::Disabled, QPalette::Text)
                            : palette.color(QPalette::Text));
        const QString elided = painter->fontMetrics().elidedText(text, Qt::ElideRight, content.width());
        const Qt::Alignment aligned(alignment ? alignment : Qt::AlignLeft | Qt::AlignVCenter);
        if (m_finder && !rowNumber)
            paintMatches(painter, text, elided, content, aligned, row, column);
        painter->drawText(content, aligned, elided);
    }

    // The selection's outline and the active cell.
    if (state.isActive) {
        QPen pen(highlight.darker(115), 1);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    if (state.edgeMask) {
        // Over the whole cell, grid lines included, so the edges of
        // neighbouring cells join into one frame.
        constexpr int kEdge = 2;
        if (state.edgeMask & CellState::Left)
            painter->fillRect(QRect(full.left(), full.top(), kEdge, full.height()), highlight);
        if (state.edgeMask & CellState::Right)
            painter->fillRect(QRect(full.right() - kEdge + 1, full.top(), kEdge, full.height()), highlight);
        if (state.edgeMask & CellState::Top)
            painter->fillRect(QRect(full.left(), full.top(), full.width(), kEdge), highlight);
        if (state.edgeMask & CellState::Bottom)
            painter->fillRect(QRect(full.left(), full.bottom() - kEdge + 1, full.width(), kEdge), highlight);
    }
    painter->restore();
}
