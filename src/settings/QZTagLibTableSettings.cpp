#include "settings/QZTagLibTableSettings.h"

#include <QMutex>
#include <QMutexLocker>
#include <map>

namespace {

const QString kTableDomain = QStringLiteral("QZTagLibTableSetting");
const QString kFinderDomain = QStringLiteral("QZTagLibRecordTextFinder");

const QString kShowFindInterface = QStringLiteral("ShowFindInterfaceInNewWindow");
const QString kConfirmClosing = QStringLiteral("ShowConfirmationBeforeClosingTheWindow");
const QString kConfirmRemovingRows = QStringLiteral("ShowConfirmationBeforeRemovingRows");
const QString kConfirmTagsUpdateAtOpening =
    QStringLiteral("QZTagLibTablePreferencesShowConfirmationAfterTagsUpdateAtOpening");
const QString kConfirmTagsUpdate =
    QStringLiteral("QZTagLibTablePreferencesShowConfirmationAfterTagsUpdate");
const QString kConfirmExtendingSelection =
    QStringLiteral("QZTagLibTablePreferencesShowConfirmationAboutExtendingSelection");
const QString kAdjustColumnWidths = QStringLiteral("AdjustColumnWidthsAtOpening");
const QString kPreprocessFlags = QStringLiteral("PreprocessFlags");
const QString kUnlockFiles = QStringLiteral("QZTagLibTablePreferencesUnlockFilesAtOpening");
const QString kStatusBarVisible = QStringLiteral("StatusBarVisible");
const QString kComposeFileNameFlags = QStringLiteral("ComposeFileNameFlags");
const QString kComposePopoverShown = QStringLiteral("ComposeFileNamePopoverShown");
const QString kEditingPopoverShown = QStringLiteral("IntroductoryPopoverAboutCellEditingShown");
const QString kLoadTagsFlags = QStringLiteral("LoadTagsFlags");

const QString kFilterEnabled = QStringLiteral("FilterEnabled");
const QString kCaseSensitiveSearch = QStringLiteral("CaseSensitiveSearch");
const QString kSearchType = QStringLiteral("SearchType");

constexpr int kDefaultPreprocessFlags = 5;
constexpr int kDefaultComposeFileNameFlags = 4103;
constexpr int kDefaultLoadTagsFlags = 83;

struct ObserverRegistry {
    QMutex mutex;
    std::map<int, QZTagLibTableSettings::Observer> observers;
    int nextIndex = 0;
};

ObserverRegistry& registry()
{
    static ObserverRegistry instance;
    return instance;
}

} // namespace

bool QZTagLibTableSettings::showFindInterfaceInNewWindow() const
{
    return m_store.readBool(kTableDomain, kShowFindInterface);
}
void QZTagLibTableSettings::setShowFindInterfaceInNewWindow(bool value)
{
    m_store.writeBool(kTableDomain, kShowFindInterface, value);
}

bool QZTagLibTableSettings::showConfirmationBeforeClosingTheWindow() const
{
    return m_store.readBool(kTableDomain, kConfirmClosing);
}
void QZTagLibTableSettings::setShowConfirmationBeforeClosingTheWindow(bool value)
{
    writeConfirmation(kConfirmClosing, value);
}

bool QZTagLibTableSettings::showConfirmationBeforeRemovingRows() const
{
    return m_store.readBool(kTableDomain, kConfirmRemovingRows);
}
void QZTagLibTableSettings::setShowConfirmationBeforeRemovingRows(bool value)
{
    writeConfirmation(kConfirmRemovingRows, value);
}

bool QZTagLibTableSettings::showConfirmationAfterTagsUpdateAtOpening() const
{
    return m_store.readBool(kTableDomain, kConfirmTagsUpdateAtOpening);
}
void QZTagLibTableSettings::setShowConfirmationAfterTagsUpdateAtOpening(bool value)
{
    writeConfirmation(kConfirmTagsUpdateAtOpening, value);
}

bool QZTagLibTableSettings::showConfirmationAfterTagsUpdate() const
{
    return m_store.readBool(kTableDomain, kConfirmTagsUpdate);
}
void QZTagLibTableSettings::setShowConfirmationAfterTagsUpdate(bool value)
{
    writeConfirmation(kConfirmTagsUpdate, value);
}

bool QZTagLibTableSettings::showConfirmationAboutExtendingSelection() const
{
    return m_store.readBool(kTableDomain, kConfirmExtendingSelection);
}
void QZTagLibTableSettings::setShowConfirmationAboutExtendingSelection(bool value)
{
    writeConfirmation(kConfirmExtendingSelection, value);
}

bool QZTagLibTableSettings::adjustColumnWidthsAtOpening() const
{
    return m_store.readBool(kTableDomain, kAdjustColumnWidths);
}
void QZTagLibTableSettings::setAdjustColumnWidthsAtOpening(bool value)
{
    m_store.writeBool(kTableDomain, kAdjustColumnWidths, value);
}

int QZTagLibTableSettings::preprocessFlags() const
{
    return m_store.readInt(kTableDomain, kPreprocessFlags, kDefaultPreprocessFlags);
}
void QZTagLibTableSettings::setPreprocessFlags(int value)
{
    m_store.writeInt(kTableDomain, kPreprocessFlags, value);
}

bool QZTagLibTableSettings::unlockFilesAtOpening() const
{
    return m_store.readBool(kTableDomain, kUnlockFiles);
}
void QZTagLibTableSettings::setUnlockFilesAtOpening(bool value)
{
    m_store.writeBool(kTableDomain, kUnlockFiles, value);
}

bool QZTagLibTableSettings::statusBarVisible() const
{
    return m_store.readBool(kTableDomain, kStatusBarVisible);
}
void QZTagLibTableSettings::setStatusBarVisible(bool value)
{
    m_store.writeBool(kTableDomain, kStatusBarVisible, value);
}

int QZTagLibTableSettings::composeFileNameFlags() const
{
    return m_store.readInt(kTableDomain, kComposeFileNameFlags, kDefaultComposeFileNameFlags);
}
void QZTagLibTableSettings::setComposeFileNameFlags(int value)
{
    m_store.writeInt(kTableDomain, kComposeFileNameFlags, value);
}

int QZTagLibTableSettings::loadTagsFlags() const
{
    return m_store.readInt(kTableDomain, kLoadTagsFlags, kDefaultLoadTagsFlags);
}
void QZTagLibTableSettings::setLoadTagsFlags(int value)
{
    m_store.writeInt(kTableDomain, kLoadTagsFlags, value);
}

bool QZTagLibTableSettings::composeFileNamePopoverShown() const
{
    return m_store.readBoolDefaultingFalse(kTableDomain, kComposePopoverShown);
}
void QZTagLibTableSettings::setComposeFileNamePopoverShown()
{
    m_store.writeBool(kTableDomain, kComposePopoverShown, true);
}

bool QZTagLibTableSettings::introductoryPopoverAboutCellEditingShown() const
{
    return m_store.readBoolDefaultingFalse(kTableDomain, kEditingPopoverShown);
}
void QZTagLibTableSettings::setIntroductoryPopoverAboutCellEditingShown()
{
    m_store.writeBool(kTableDomain, kEditingPopoverShown, true);
}

bool QZTagLibTableSettings::filterEnabled() const
{
    return m_store.readBool(kFinderDomain, kFilterEnabled);
}
void QZTagLibTableSettings::setFilterEnabled(bool value)
{
    m_store.writeBool(kFinderDomain, kFilterEnabled, value);
}

bool QZTagLibTableSettings::caseSensitiveSearch() const
{
    return m_store.readBoolDefaultingFalse(kFinderDomain, kCaseSensitiveSearch);
}
void QZTagLibTableSettings::setCaseSensitiveSearch(bool value)
{
    m_store.writeBool(kFinderDomain, kCaseSensitiveSearch, value);
}

int QZTagLibTableSettings::searchType() const
{
    return m_store.readInt(kFinderDomain, kSearchType, SearchContains);
}
void QZTagLibTableSettings::setSearchType(int value)
{
    m_store.writeInt(kFinderDomain, kSearchType, value);
}

void QZTagLibTableSettings::writeConfirmation(const QString& key, bool value)
{
    const bool old = m_store.readBool(kTableDomain, key);
    m_store.writeBool(kTableDomain, key, value);
    if (old != value)
        notifyObservers();
}

int QZTagLibTableSettings::addObserver(Observer observer)
{
    ObserverRegistry& r = registry();
    QMutexLocker locker(&r.mutex);
    const int index = r.nextIndex++;
    r.observers.emplace(index, std::move(observer));
    return index;
}

void QZTagLibTableSettings::removeObserver(int index)
{
    ObserverRegistry& r = registry();
    QMutexLocker locker(&r.mutex);
    r.observers.erase(index);
}

void QZTagLibTableSettings::notifyObservers()
{
    std::map<int, Observer> observers;
    {
        ObserverRegistry& r = registry();
        QMutexLocker locker(&r.mutex);
        observers = r.observers;
    }
    // Called outside the lock: an observer may register or remove itself.
    for (const auto& [index, observer] : observers)
        observer();
}
