#pragma once
// The preferences window: a General and a Confirmations pane of check
// boxes, each written to the settings when clicked, and a Network pane with
// the user's own service keys, written as they are typed. The Confirmations pane
// follows changes made elsewhere (a "do not ask again" box in an alert).
// Where the window stood, the size it had with each pane and the last pane
// shown are kept in the settings' flat keys and restored when it opens.

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QLineEdit;
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
    QLineEdit* lineEdit(const QString& name) const;

    static const QString kGeneralIdentifier;
    static const QString kConfirmationsIdentifier;
    static const QString kNetworkIdentifier;
    // Flat keys: "{x, y}" and, per pane identifier, "{{x, y}, {width, height}}".
    static const QString kFrameTopLeftKey;
    static QString paneFrameKey(const QString& identifier);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void restoreWindowState();
    void paneShown(int index);
    void windowStateChanged();
    // Position and the shown pane's frame.
    void writeWindowState();
    void writeGeneral();
    void writeConfirmations();
    void writeNetworkKeys();
    QCheckBox* addBox(QWidget* pane, const QString& name, const QString& text);

    SettingsStore& m_store;
    std::unique_ptr<QZTagLibTableSettings> m_settings;
    QTabWidget* m_tabs;
    int m_observer = -1;
    // Moves and resizes reach the settings file once they pause.
    QTimer m_stateTimer;
    bool m_restoring = false;
    QString m_shownPane;
};
