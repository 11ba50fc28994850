#include "app/PreferencesWindow.h"

#include "network/NetworkConfig.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

const QString PreferencesWindow::kGeneralIdentifier =
    QStringLiteral("QZTagLibTablePreferencesWindowGeneralPanel");
const QString PreferencesWindow::kConfirmationsIdentifier =
    QStringLiteral("QZTagLibTablePreferencesWindowConfirmationPanel");

const QString PreferencesWindow::kNetworkIdentifier =
    QStringLiteral("QZTagLibTablePreferencesWindowNetworkPanel");

const QString PreferencesWindow::kFrameTopLeftKey = QStringLiteral("QZPreferences Frame Top Left");

QString PreferencesWindow::paneFrameKey(const QString& identifier)
{
    return QStringLiteral("QZPreferences %1 Frame").arg(identifier);
}

namespace {

const QString kSelectedPaneKey = QStringLiteral("QZPreferences Selected Identifier View");

using tagmint::network::NetworkConfig;
using tagmint::network::Service;

// The line edits of the Network pane and the services whose keys they hold.
const std::pair<const char*, Service> kKeyFields[] = {
    {"acoustIdKey", Service::AcoustId},
    {"albumInfoKey", Service::AlbumInfo},
};

// The numbers of "{x, y}" or "{{x, y}, {w, h}}"; none when the text has
// another shape (a damaged or foreign value is ignored).
std::optional<QList<int>> numbersOf(const std::optional<QString>& text, int count)
{
    if (!text)
        return std::nullopt;
    static const QRegularExpression number(QStringLiteral("-?\\d{1,6}(?:\\.\\d+)?"));
    const QString shape = count == 2 ? QStringLiteral("^\\{\\s*N\\s*,\\s*N\\s*\\}$")
                                     : QStringLiteral("^\\{\\s*\\{\\s*N\\s*,\\s*N\\s*\\}\\s*,"
                                                      "\\s*\\{\\s*N\\s*,\\s*N\\s*\\}\\s*\\}$");
    const QRegularExpression whole(QString(shape).replace(QLatin1Char('N'), number.pattern()));
    const QString trimmed = text->trimmed();
    if (!whole.match(trimmed).hasMatch())
        return std::nullopt;
    QList<int> numbers;
    for (const QRegularExpressionMatch& match : number.globalMatch(trimmed))
        numbers.append(int(std::lround(match.captured().toDouble())));
    return numbers;
}

QString pointText(const QPoint& point) { return QStringLiteral("{%1, %2}").arg(point.x()).arg(point.y()); }

QString rectText(const QRect& rect)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

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

    auto* network = new QWidget(m_tabs);
    network->setObjectName(kNetworkIdentifier);
    auto* networkLayout = new QFormLayout(network);
    auto* keysNote = new QLabel(QStringLiteral("Fingerprint lookups (AcoustID) and artwork from the album "
                                               "information service need keys of your own; "
                                               "MusicBrainz needs none."),
                                network);
    keysNote->setWordWrap(true);
    networkLayout->addRow(keysNote);
    for (const auto& [name, service] : kKeyFields) {
        auto* field = new QLineEdit(network);
        field->setObjectName(QString::fromLatin1(name));
        field->setClearButtonEnabled(true);
        networkLayout->addRow(service == Service::AcoustId ? QStringLiteral("AcoustID client key:")
                                                           : QStringLiteral("Album information API key:"),
                              field);
        connect(field, &QLineEdit::textEdited, this, &PreferencesWindow::writeNetworkKeys);
    }
    m_tabs->addTab(network, QStringLiteral("Network"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    for (QCheckBox* box : general->findChildren<QCheckBox*>())
        connect(box, &QCheckBox::clicked, this, &PreferencesWindow::writeGeneral);
    for (QCheckBox* box : confirmations->findChildren<QCheckBox*>())
        connect(box, &QCheckBox::clicked, this, &PreferencesWindow::writeConfirmations);

    if (const auto selected = m_store.readFlatString(kSelectedPaneKey)) {
        for (int i = 0; i < m_tabs->count(); ++i) {
            if (m_tabs->widget(i)->objectName() == *selected)
                m_tabs->setCurrentIndex(i);
        }
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, &PreferencesWindow::paneShown);

    readSettings();
    m_observer = QZTagLibTableSettings::addObserver([this] { readSettings(); });

    m_stateTimer.setSingleShot(true);
    m_stateTimer.setInterval(300);
    connect(&m_stateTimer, &QTimer::timeout, this, &PreferencesWindow::writeWindowState);
    resize(420, 300);
    restoreWindowState();
}

PreferencesWindow::~PreferencesWindow()
{
    // A move that had not reached the file yet.
    if (m_stateTimer.isActive())
        writeWindowState();
    QZTagLibTableSettings::removeObserver(m_observer);
}

void PreferencesWindow::restoreWindowState()
{
    m_restoring = true;
    m_shownPane = m_tabs->currentWidget()->objectName();
    if (const auto frame = numbersOf(m_store.readFlatString(paneFrameKey(m_shownPane)), 4)) {
        const QSize size((*frame)[2], (*frame)[3]);
        if (size.isValid())
            resize(size.expandedTo(minimumSizeHint()));
    }
    if (const auto topLeft = numbersOf(m_store.readFlatString(kFrameTopLeftKey), 2)) {
        const QPoint position((*topLeft)[0], (*topLeft)[1]);
        // A screen that is no longer attached must not hide the window.
        if (QGuiApplication::screenAt(position))
            move(position);
    }
    m_restoring = false;
}

void PreferencesWindow::paneShown(int index)
{
    // What the pane being left got from the user is kept for it.
    if (m_stateTimer.isActive())
        writeWindowState();
    const QString pane = m_tabs->widget(index)->objectName();
    m_shownPane = pane;
    m_store.writeFlatStrings({{kSelectedPaneKey, pane}});
    // Each pane brings back the size the window had with it; the top left
    // corner stays where it is.
    if (const auto frame = numbersOf(m_store.readFlatString(paneFrameKey(pane)), 4)) {
        const QSize size((*frame)[2], (*frame)[3]);
        if (size.isValid()) {
            m_restoring = true;
            resize(size.expandedTo(minimumSizeHint()));
            m_restoring = false;
        }
    }
    windowStateChanged();
}

void PreferencesWindow::windowStateChanged()
{
    if (!m_restoring && isVisible())
        m_stateTimer.start();
}

void PreferencesWindow::writeWindowState()
{
    m_stateTimer.stop();
    m_store.writeFlatStrings(
        {{kFrameTopLeftKey, pointText(pos())}, {paneFrameKey(m_shownPane), rectText(QRect(pos(), size()))}});
}

void PreferencesWindow::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    windowStateChanged();
}

void PreferencesWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    windowStateChanged();
}

void PreferencesWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        writeWindowState();
}

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

QLineEdit* PreferencesWindow::lineEdit(const QString& name) const
{
    return findChild<QLineEdit*>(name);
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
    const QString section = QLatin1String(NetworkConfig::kSection);
    for (const auto& [name, service] : kKeyFields) {
        QLineEdit* field = lineEdit(QString::fromLatin1(name));
        const QString stored = m_store.readString(section, NetworkConfig::userKeySettingKey(service)).value_or(QString());
        // Rereading while the user types would move the cursor.
        if (field && !field->hasFocus() && field->text() != stored)
            field->setText(stored);
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

void PreferencesWindow::writeNetworkKeys()
{
    const QString section = QLatin1String(NetworkConfig::kSection);
    for (const auto& [name, service] : kKeyFields) {
        const QString key = lineEdit(QString::fromLatin1(name))->text().trimmed();
        const QString settingKey = NetworkConfig::userKeySettingKey(service);
        if (m_store.readString(section, settingKey).value_or(QString()) != key)
            m_store.writeString(section, settingKey, key);
    }
}
