#include "app/StatusBarWidget.h"

#include "app/CellPopover.h"

#include <QDeadlineTimer>
#include <QMouseEvent>

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    emit clicked(event->position().toPoint());
    event->accept();
}

StatusBarWidget::StatusBarWidget(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    m_messageLabel = new ClickableLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("StatusMessage"));
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_messageLabel->setMinimumWidth(50);
    m_countLabel = new ClickableLabel(this);
    m_countLabel->setObjectName(QStringLiteral("RowCount"));
    m_countLabel->setToolTip(StatusBarModel::countLabelToolTip());
    m_countLabel->setContentsMargins(8, 0, 8, 0);
    addWidget(m_messageLabel, 1);
    addPermanentWidget(m_countLabel);
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, [this] {
        m_model.expire();
        showModel();
    });
    connect(m_messageLabel, &ClickableLabel::clicked, this, [this](const QPoint& position) {
        if (!m_model.message().isEmpty())
            popupAt(m_messageLabel, position,
                    m_model.title().isEmpty() ? QStringLiteral("Last status") : m_model.title(),
                    m_model.message());
    });
    connect(m_countLabel, &ClickableLabel::clicked, this, [this](const QPoint& position) {
        if (!m_model.countDetails().isEmpty())
            popupAt(m_countLabel, position, QString(), m_model.countDetails());
    });
    showModel();
}

void StatusBarWidget::notify(const StatusNotification& notification)
{
    if (notification.type == StatusNotification::Type::MessagePopup) {
        popupMessage();
        return;
    }
    m_model.notify(notification);
    showModel();
}

void StatusBarWidget::updateRowCount(int total, int shown, bool shownRowsModified)
{
    m_model.updateRowCount(total, shown, shownRowsModified);
    showModel();
}

void StatusBarWidget::popupMessage()
{
    if (m_model.message().isEmpty())
        return;
    const int half = m_messageLabel->fontMetrics().horizontalAdvance(m_messageLabel->text()) / 2;
    popupAt(m_messageLabel, QPoint(half, m_messageLabel->height()),
            m_model.title().isEmpty() ? QStringLiteral("Last status") : m_model.title(),
            m_model.message());
}

void StatusBarWidget::popupCount()
{
    if (!m_model.countDetails().isEmpty())
        popupAt(m_countLabel, QPoint(0, m_countLabel->height()), QString(), m_model.countDetails());
}

void StatusBarWidget::showModel()
{
    m_messageLabel->setText(m_model.messageLabel());
    m_messageLabel->setToolTip(m_model.messageToolTip());
    m_countLabel->setText(m_model.countLabel());
    armTimer();
}

void StatusBarWidget::armTimer()
{
    const std::optional<qint64> deadline = m_model.nextDeadline();
    if (!deadline) {
        m_expiry.stop();
        return;
    }
    const qint64 now = QDeadlineTimer::current().deadline();
    m_expiry.start(int(std::clamp<qint64>(*deadline - now, 0, 3600 * 1000)));
}

void StatusBarWidget::popupAt(QLabel* label, const QPoint& position, const QString& title,
                              const QString& text)
{
    if (m_popover)
        m_popover->close();
    m_popover = new CellPopover(label, QRect(QPoint(position.x(), 0), QSize(1, label->height())), title,
                                text);
    m_popover->popup();
}
