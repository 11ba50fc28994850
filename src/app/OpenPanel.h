#pragma once
// The Open commands' panel, the desktop's own file dialog where there is one
// (through the XDG desktop portal when main chose it), else Qt's. Desktop
// dialogs pick files or a folder, never both at once, so there are two:
// several media files (only the extensions a tag wrapper handles), or one
// folder with everything in it.

#include <QFileDialog>

// Shows a message under the file list of Qt's own dialog, once, as soon as
// the dialog has its widgets (a desktop dialog has no room for it).
void addMessageUnderFileList(QFileDialog* dialog, const QString& message);

class OpenPanel : public QFileDialog {
    Q_OBJECT
public:
    enum class Choice { Files, Folder };

    OpenPanel(Choice choice, QWidget* parent = nullptr);

    static QString title() { return QStringLiteral("Open"); }
    static QString prompt(Choice choice)
    {
        return choice == Choice::Files ? QStringLiteral("Open Files") : QStringLiteral("Open Folder");
    }
    static QString message() { return QStringLiteral("Select media files or folders to add them to the table."); }

    // The chosen files or folder as path texts: a desktop dialog hands over
    // URLs, which keep the bytes of a name that is not UTF-8.
    QStringList chosenPaths() const;

protected:
    void showEvent(QShowEvent* event) override;
};
