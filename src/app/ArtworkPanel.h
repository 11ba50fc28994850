#pragma once
// The artwork panel: a popup at the artwork cell showing the picture, with
// Done, Delete, Replace and Save. Every button closes it; so do Escape and a
// click outside. A double click on the picture acts as Replace.

#include <QFrame>
#include <QImage>

class QLabel;
class QPushButton;

class ArtworkPanel : public QFrame {
    Q_OBJECT
public:
    ArtworkPanel(QWidget* anchorWidget, const QRect& anchor, const QImage& image);

    void popup();
    QPushButton* button(const QString& text) const;

signals:
    void donePressed();
    void deletePressed();
    void replacePressed();
    void savePressed();
    // However it closed, after the button's signal.
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* addButton(const QString& text, void (ArtworkPanel::*pressed)());

    QWidget* m_anchorWidget;
    QRect m_anchor;
    QLabel* m_picture;
    QList<QPushButton*> m_buttons;
    bool m_closedOnce = false;
};
