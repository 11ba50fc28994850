#pragma once
// The options panel of "create File Names from tags": which tags go into
// the name, three style options and a live example for the record of the
// cell it was opened from. A popup above the cell's small button; Done
// applies the names, any other way of closing only keeps the options.

#include "collection/RecordList.h"
#include "table/FileNameComposing.h"

#include <QFrame>
#include <QHash>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

class ComposeOptionsPanel : public QFrame {
    Q_OBJECT
public:
    // Shows a new panel above the anchor, or answers null when the anchor
    // widget is not shown or the gate refuses (a panel was asked for less
    // than 500 ms ago).
    static ComposeOptionsPanel* present(QWidget* anchorWidget, const QRect& anchor, RecordPtr record,
                                        quint32 composeFlags,
                                        tagmint::table::PanelPresentationGate& gate =
                                            tagmint::table::PanelPresentationGate::shared());

    // The options as last saved (a box toggled, or Done).
    quint32 composeFlags() const { return m_flags; }
    // The options the boxes show now.
    quint32 currentComposeFlags() const;
    bool doneButtonPressed() const { return m_done; }
    QString exampleText() const;

    QCheckBox* checkBox(quint32 flag) const { return m_boxes.value(flag); }
    QPushButton* doneButton() const { return m_doneButton; }

    // Called once when the panel closes, however it closes.
    void setClosedAction(std::function<void(ComposeOptionsPanel& panel)> action)
    {
        m_closed = std::move(action);
    }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    ComposeOptionsPanel(QWidget* anchorWidget, RecordPtr record, quint32 composeFlags);
    void loadSettings();
    void saveSettings();
    void updateExample(quint32 flags);
    void popupAbove(QWidget* anchorWidget, const QRect& anchor);

    RecordPtr m_record;
    quint32 m_flags;
    bool m_done = false;
    QHash<quint32, QCheckBox*> m_boxes;
    QLineEdit* m_example = nullptr;
    QPushButton* m_doneButton = nullptr;
    std::function<void(ComposeOptionsPanel&)> m_closed;
};
