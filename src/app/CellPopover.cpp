#include "app/CellPopover.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

CellPopover::CellPopover(QWidget* anchorWidget, const QRect& anchor, const QString& title,
                         const QString& text, const QString& buttonText, Kind kind)
    : QFrame(anchorWidget, kind == Kind::Popup ? Qt::Popup : Qt::Widget),
      m_anchorWidget(anchorWidget),
      m_anchor(anchor),
      m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    if (kind == Kind::Beside) {
        setAutoFillBackground(true);
        setFocusPolicy(Qt::NoFocus);
    }
    setObjectName(QStringLiteral("CellPopover"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    m_title = new QLabel(title, this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setVisible(!title.isEmpty());
    m_text = new QLabel(text, this);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setMaximumWidth(360);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    if (!buttonText.isEmpty()) {
        auto* row = new QHBoxLayout;
        row->addStretch();
        m_button = new QPushButton(buttonText, this);
        m_button->setDefault(kind == Kind::Popup);
        if (kind == Kind::Beside)
            m_button->setFocusPolicy(Qt::NoFocus);
        row->addWidget(m_button);
        layout->addLayout(row);
        connect(m_button, &QPushButton::clicked, this, [this] {
            auto action = std::move(m_action);
            close();
            if (action)
                action();
        });
    }
}

QString CellPopover::title() const { return m_title->text(); }

QString CellPopover::text() const { return m_text->text(); }

void showPopupAt(QWidget* popup, QWidget* anchorWidget, const QRect& anchor)
{
    popup->adjustSize();
    QPoint position = anchorWidget->mapToGlobal(anchor.bottomLeft() + QPoint(0, 2));
    if (const QScreen* screen = anchorWidget->screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() + popup->height() > available.bottom())
            position.setY(anchorWidget->mapToGlobal(anchor.topLeft()).y() - popup->height() - 2);
        position.setX(std::clamp(position.x(), available.left(),
                                 std::max(available.left(), available.right() - popup->width())));
    }
    popup->move(position);
    popup->show();
}

void CellPopover::popup()
{
    adjustSize();
    if (m_kind == Kind::Beside) {
        // Below the anchor, above it when there is no room, inside the anchor widget.
        const QRect room = m_anchorWidget->rect();
        int y = m_anchor.bottom() + 3;
        if (y + height() > room.bottom() && m_anchor.top() - height() - 2 >= room.top())
            y = m_anchor.top() - height() - 2;
        const int x = std::clamp(m_anchor.left(), room.left(), std::max(room.left(), room.right() - width()));
        move(x, y);
        show();
        raise();
        return;
    }
    showPopupAt(this, m_anchorWidget, m_anchor);
    if (m_button)
        m_button->setFocus();
}

void CellPopover::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    if (auto closed = std::move(m_closed))
        closed();
}
