#pragma once
// A window's status bar: the last operation's message on the left, the row
// count on the right. Which message shows and when it goes is the core's
// StatusBarModel; this widget arms its timer and draws its labels. A click
// on either label shows the full text in a popover.

#include "app/CellPopover.h"
#include "table/StatusBarModel.h"

#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>


class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked(const QPoint& position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class StatusBarWidget : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBarWidget(QWidget* parent = nullptr);

    void notify(const StatusNotification& notification);
    void updateRowCount(int total, int shown, bool shownRowsModified);
    void popupMessage();
    void popupCount();

    const StatusBarModel& model() const { return m_model; }
    QLabel* messageLabel() const { return m_messageLabel; }
    QLabel* countLabel() const { return m_countLabel; }
    CellPopover* popover() const { return m_popover; }

private:
    void showModel();
    void armTimer();
    void popupAt(QLabel* label, const QPoint& position, const QString& title, const QString& text);

    StatusBarModel m_model;
    ClickableLabel* m_messageLabel;
    ClickableLabel* m_countLabel;
    QTimer m_expiry;
    QPointer<CellPopover> m_popover;
};
