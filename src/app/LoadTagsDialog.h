#pragma once
// "Load Tags Advanced": where the tags come from and whether only empty
// fields are filled. The boxes start from the stored LoadTagsFlags and every
// toggle stores them at once; Continue is enabled while a source is ticked.

#include <QDialog>

class QCheckBox;
class QPushButton;
class QZTagLibTableSettings;

class LoadTagsDialog : public QDialog {
    Q_OBJECT
public:
    LoadTagsDialog(QZTagLibTableSettings& settings, QWidget* parent = nullptr);

    // The boxes as load-tags flags.
    quint32 flags() const;

    QCheckBox* fromPathsBox() const { return m_fromPaths; }
    QCheckBox* fromNetworkBox() const { return m_fromNetwork; }
    QCheckBox* useExistingTagsBox() const { return m_useExistingTags; }
    QCheckBox* missingOnlyBox() const { return m_missingOnly; }
    QPushButton* continueButton() const { return m_continue; }

private:
    void loadSettings();
    void saveSettings();
    void enableControls();

    QZTagLibTableSettings& m_settings;
    QCheckBox* m_fromPaths;
    QCheckBox* m_fromNetwork;
    QCheckBox* m_useExistingTags;
    QCheckBox* m_missingOnly;
    QPushButton* m_continue;
};
