#pragma once
// The preferences window: a General and a Confirmations pane of check
// boxes, each written to the settings when clicked. The Confirmations pane
// follows changes made elsewhere (a "do not ask again" box in an alert).

#include <QDialog>

class QCheckBox;
class QTabWidget;
class QZTagLibTableSettings;
class SettingsStore;

class PreferencesWindow : public QDialog {
    Q_OBJECT
public:
    PreferencesWindow(SettingsStore& store, QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    // Sets every box from the settings.
    void readSettings();
    QTabWidget* tabs() const { return m_tabs; }
    QCheckBox* checkBox(const QString& name) const;

    static const QString kGeneralIdentifier;
    static const QString kConfirmationsIdentifier;

private:
    void writeGeneral();
    void writeConfirmations();
    QCheckBox* addBox(QWidget* pane, const QString& name, const QString& text);

    SettingsStore& m_store;
    std::unique_ptr<QZTagLibTableSettings> m_settings;
    QTabWidget* m_tabs;
    int m_observer = -1;
};
