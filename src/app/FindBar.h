#pragma once
// The find bar above a window's table: the find field with its options menu
// and occurrence count, previous/next, Done, Filter, and Replace, which opens
// a second row with the replacement field and Replace / All. It shows the
// core's TextFinderController and passes every edit and click on to it.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TextFinderController;

class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(TextFinderController& finder, QWidget* parent = nullptr);

    // Takes the controller's state: visibility, texts, count, options and
    // which buttons may be pressed.
    void sync();
    void focusFindField();
    void focusFirstControl();
    void focusLastControl();

    QLineEdit* findField() const { return m_findField; }
    QLineEdit* replaceField() const { return m_replaceField; }
    QLabel* countLabel() const { return m_count; }
    QMenu* optionsMenu() const { return m_optionsMenu; }
    QCheckBox* filterBox() const { return m_filter; }
    QCheckBox* replaceBox() const { return m_replaceBox; }

signals:
    // The focus leaves the bar for the table.
    void leaveRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildOptionsMenu();
    // The controls Tab visits, in order.
    QList<QWidget*> focusChain() const;
    void placeCountLabel();

    TextFinderController& m_finder;
    QToolButton* m_options;
    QMenu* m_optionsMenu;
    QLineEdit* m_findField;
    QLabel* m_count;
    QToolButton* m_previous;
    QToolButton* m_next;
    QPushButton* m_done;
    QCheckBox* m_filter;
    QCheckBox* m_replaceBox;
    QWidget* m_replaceRow;
    QLineEdit* m_replaceField;
    QPushButton* m_replace;
    QPushButton* m_replaceAll;
};
