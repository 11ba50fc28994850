#pragma once
// The Open command's panel: several files and folders at once, files
// limited to the extensions a tag wrapper handles.

#include <QFileDialog>

// Shows a message under a Qt file dialog's file list.
void addFileDialogMessage(QFileDialog* dialog, const QString& message);

class OpenPanel : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenPanel(QWidget* parent = nullptr);
    QStringList chosenPaths() const { return m_chosen; }

    static QString prompt() { return QStringLiteral("Open Files"); }
    static QString message() { return QStringLiteral("Select media files or folders to add them to the table."); }

public slots:
    void accept() override;

private:
    QStringList m_chosen;
};
