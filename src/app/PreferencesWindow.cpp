#include "app/PreferencesWindow.h"

#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

const QString PreferencesWindow::kGeneralIdentifier =
    QStringLiteral("QZTagLibTablePreferencesWindowGeneralPanel");
const QString PreferencesWindow::kConfirmationsIdentifier =
    QStringLiteral("QZTagLibTablePreferencesWindowConfirmationPanel");

namespace {
const QString kSelectedPaneKey = QStringLiteral("QZPreferences Selected Identifier View");
} // namespace

PreferencesWindow::PreferencesWindow(SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_settings(std::make_unique<QZTagLibTableSettings>(store))
{
    setObjectName(QStringLiteral("PreferencesWindow"));
    setWindowTitle(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);

    auto* general = new QWidget(m_tabs);
    general->setObjectName(kGeneralIdentifier);
    auto* generalLayout = new QVBoxLayout(general);
    addBox(general, QStringLiteral("showFindInterfaceInNewWindow"),
           QStringLiteral("Show the find bar in new windows"));
    addBox(general, QStringLiteral("adjustColumnWidthsAtOpening"),
           QStringLiteral("Adjust column widths after opening files"));
    addBox(general, QStringLiteral("unlockFilesAtOpening"),
           QStringLiteral("Unlock locked files when opening them"));
    auto* preprocessing = new QLabel(QStringLiteral("When files are opened:"), general);
    generalLayout->addWidget(preprocessing);
    addBox(general, QStringLiteral("createMissingTagsFromPaths"),
           QStringLiteral("Create missing tags from file paths"));
    addBox(general, QStringLiteral("preprocessExtraSpaces"), QStringLiteral("Remove extra spaces"));
    addBox(general, QStringLiteral("createMissingTagsFromNetwork"),
           QStringLiteral("Create missing tags from the network"));
    generalLayout->addStretch();
    m_tabs->addTab(general, QStringLiteral("General"));

    auto* confirmations = new QWidget(m_tabs);
    confirmations->setObjectName(kConfirmationsIdentifier);
    auto* confirmationsLayout = new QVBoxLayout(confirmations);
    confirmationsLayout->addWidget(new QLabel(QStringLiteral("Ask or inform:"), confirmations));
    addBox(confirmations, QStringLiteral("showConfirmationWhenClosingTheWindow"),
           QStringLiteral("Before closing a window"));
    addBox(confirmations, QStringLiteral("showConfirmationWhenRemovingRows"),
           QStringLiteral("Before removing rows"));
    addBox(confirmations, QStringLiteral("showConfirmationAfterTagsUpdateAtOpening"),
           QStringLiteral("After tags were updated while opening files"));
    addBox(confirmations, QStringLiteral("showConfirmationAfterTagsUpdate"),
           QStringLiteral("After tags were updated"));
    addBox(confirmations, QStringLiteral("showConfirmationAboutExtendingSelection"),
           QStringLiteral("Before applying an action of one cell to all cells"));
    confirmationsLayout->addStretch();
    m_tabs->addTab(confirmations, QStringLiteral("Confirmations"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    for (QCheckBox* box : general->findChildren<QCheckBox*>())
        connect(box, &QCheckBox::clicked, this, &PreferencesWindow::writeGeneral);
    for (QCheckBox* box : confirmations->findChildren<QCheckBox*>())
        connect(box, &QCheckBox::clicked, this, &PreferencesWindow::writeConfirmations);

    if (const auto selected = m_store.readFlatString(kSelectedPaneKey)) {
        if (*selected == kConfirmationsIdentifier)
            m_tabs->setCurrentIndex(1);
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        m_store.writeFlatStrings({{kSelectedPaneKey, m_tabs->widget(index)->objectName()}});
    });

    readSettings();
    m_observer = QZTagLibTableSettings::addObserver([this] { readSettings(); });
    resize(420, 300);
}

PreferencesWindow::~PreferencesWindow() { QZTagLibTableSettings::removeObserver(m_observer); }

QCheckBox* PreferencesWindow::addBox(QWidget* pane, const QString& name, const QString& text)
{
    auto* box = new QCheckBox(text, pane);
    box->setObjectName(name);
    pane->layout()->addWidget(box);
    return box;
}

QCheckBox* PreferencesWindow::checkBox(const QString& name) const
{
    return findChild<QCheckBox*>(name);
}

void PreferencesWindow::readSettings()
{
    const QZTagLibTableSettings& s = *m_settings;
    const int flags = s.preprocessFlags();
    const std::pair<const char*, bool> values[] = {
        {"showFindInterfaceInNewWindow", s.showFindInterfaceInNewWindow()},
        {"adjustColumnWidthsAtOpening", s.adjustColumnWidthsAtOpening()},
        {"unlockFilesAtOpening", s.unlockFilesAtOpening()},
        {"createMissingTagsFromPaths", (flags & QZTagLibTableSettings::PreprocessTagsFromPaths) != 0},
        {"preprocessExtraSpaces", (flags & QZTagLibTableSettings::PreprocessExtraSpaces) != 0},
        {"createMissingTagsFromNetwork", (flags & QZTagLibTableSettings::PreprocessTagsFromNetwork) != 0},
        {"showConfirmationWhenClosingTheWindow", s.showConfirmationBeforeClosingTheWindow()},
        {"showConfirmationWhenRemovingRows", s.showConfirmationBeforeRemovingRows()},
        {"showConfirmationAfterTagsUpdateAtOpening", s.showConfirmationAfterTagsUpdateAtOpening()},
        {"showConfirmationAfterTagsUpdate", s.showConfirmationAfterTagsUpdate()},
        {"showConfirmationAboutExtendingSelection", s.showConfirmationAboutExtendingSelection()},
    };
    for (const auto& [name, value] : values) {
        if (QCheckBox* box = checkBox(QString::fromLatin1(name)))
            box->setChecked(value);
    }
}

void PreferencesWindow::writeGeneral()
{
    QZTagLibTableSettings& s = *m_settings;
    s.setShowFindInterfaceInNewWindow(checkBox(QStringLiteral("showFindInterfaceInNewWindow"))->isChecked());
    s.setAdjustColumnWidthsAtOpening(checkBox(QStringLiteral("adjustColumnWidthsAtOpening"))->isChecked());
    s.setUnlockFilesAtOpening(checkBox(QStringLiteral("unlockFilesAtOpening"))->isChecked());
    int flags = 0;
    if (checkBox(QStringLiteral("createMissingTagsFromPaths"))->isChecked())
        flags |= QZTagLibTableSettings::PreprocessTagsFromPaths;
    if (checkBox(QStringLiteral("createMissingTagsFromNetwork"))->isChecked())
        flags |= QZTagLibTableSettings::PreprocessTagsFromNetwork;
    if (checkBox(QStringLiteral("preprocessExtraSpaces"))->isChecked())
        flags |= QZTagLibTableSettings::PreprocessExtraSpaces;
    s.setPreprocessFlags(flags);
}

void PreferencesWindow::writeConfirmations()
{
    QZTagLibTableSettings& s = *m_settings;
    s.setShowConfirmationBeforeClosingTheWindow(
        checkBox(QStringLiteral("showConfirmationWhenClosingTheWindow"))->isChecked());
    s.setShowConfirmationBeforeRemovingRows(
        checkBox(QStringLiteral("showConfirmationWhenRemovingRows"))->isChecked());
    s.setShowConfirmationAfterTagsUpdateAtOpening(
        checkBox(QStringLiteral("showConfirmationAfterTagsUpdateAtOpening"))->isChecked());
    s.setShowConfirmationAfterTagsUpdate(
        checkBox(QStringLiteral("showConfirmationAfterTagsUpdate"))->isChecked());
    s.setShowConfirmationAboutExtendingSelection(
        checkBox(QStringLiteral("showConfirmationAboutExtendingSelection"))->isChecked());
}
