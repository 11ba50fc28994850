#pragma once
// What a window without records shows: where to drop files, and a button
// that opens the open panel.

#include <QWidget>

class QPushButton;

class EmptyTablePlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit EmptyTablePlaceholder(QWidget* parent = nullptr);
    QPushButton* browseButton() const { return m_browse; }

signals:
    void browseRequested();
    void filesDropped(const QStringList& names);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* m_browse;
};
