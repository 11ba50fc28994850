#pragma once
// A small popup anchored at a rectangle of a widget: a bold title, a text and
// one button. Used for validation failures, read-only explanations and the
// status bar's details. Closes on a click outside or Escape.
// A Beside popover is a child of the anchor widget instead: it never takes
// the keyboard, so typing goes on where it was (the editing introduction).

#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;

// Shows a popup below the anchor rectangle of a widget, above it when the
// screen has no room below.
void showPopupAt(QWidget* popup, QWidget* anchorWidget, const QRect& anchor);

class CellPopover : public QFrame {
    Q_OBJECT
public:
    enum class Kind { Popup, Beside };

    // An empty button text shows no button.
    CellPopover(QWidget* anchorWidget, const QRect& anchor, const QString& title,
                const QString& text, const QString& buttonText = QString(),
                Kind kind = Kind::Popup);

    // Runs when the button is pressed (the popover closes first).
    void setButtonAction(std::function<void()> action) { m_action = std::move(action); }
    // Runs whenever the popover closes, by the button or otherwise.
    void setClosedAction(std::function<void()> action) { m_closed = std::move(action); }

    QString title() const;
    QString text() const;
    QPushButton* button() const { return m_button; }

    // Shows the popover below the anchor (above it when there is no room).
    void popup();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* m_anchorWidget;
    QRect m_anchor;
    Kind m_kind;
    QLabel* m_title;
    QLabel* m_text;
    QPushButton* m_button = nullptr;
    std::function<void()> m_action;
    std::function<void()> m_closed;
};
