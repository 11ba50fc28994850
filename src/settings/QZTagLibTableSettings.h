#pragma once
// The user's preferences with their defaults, read from the settings file
// whenever asked (no cache), so a change takes effect at the next read.
// Changes of the confirmation settings are announced to observers.

#include "settings/SettingsStore.h"

#include <functional>

class QZTagLibTableSettings {
public:
    // Bits of PreprocessFlags applied to newly opened files.
    enum PreprocessFlag {
        PreprocessTagsFromPaths = 1,
        PreprocessExtraSpaces = 4,
        PreprocessTagsFromNetwork = 8,
    };

    enum SearchType { SearchContains = 0, SearchStartsWith = 1, SearchEndsWith = 2, SearchMatches = 3 };

    explicit QZTagLibTableSettings(SettingsStore& store) : m_store(store) {}

    bool showFindInterfaceInNewWindow() const;
    void setShowFindInterfaceInNewWindow(bool value);
    bool showConfirmationBeforeClosingTheWindow() const;
    void setShowConfirmationBeforeClosingTheWindow(bool value);
    bool showConfirmationBeforeRemovingRows() const;
    void setShowConfirmationBeforeRemovingRows(bool value);
    bool showConfirmationAfterTagsUpdateAtOpening() const;
    void setShowConfirmationAfterTagsUpdateAtOpening(bool value);
    bool showConfirmationAfterTagsUpdate() const;
    void setShowConfirmationAfterTagsUpdate(bool value);
    bool showConfirmationAboutExtendingSelection() const;
    void setShowConfirmationAboutExtendingSelection(bool value);
    bool adjustColumnWidthsAtOpening() const;
    void setAdjustColumnWidthsAtOpening(bool value);
    int preprocessFlags() const;
    void setPreprocessFlags(int value);
    bool unlockFilesAtOpening() const;
    void setUnlockFilesAtOpening(bool value);
    bool statusBarVisible() const;
    void setStatusBarVisible(bool value);
    int composeFileNameFlags() const;
    void setComposeFileNameFlags(int value);
    int loadTagsFlags() const;
    void setLoadTagsFlags(int value);
    // One-time popovers: false until marked shown.
    bool composeFileNamePopoverShown() const;
    void setComposeFileNamePopoverShown();
    bool introductoryPopoverAboutCellEditingShown() const;
    void setIntroductoryPopoverAboutCellEditingShown();

    // The find bar's remembered options.
    bool filterEnabled() const;
    void setFilterEnabled(bool value);
    bool caseSensitiveSearch() const;
    void setCaseSensitiveSearch(bool value);
    int searchType() const;
    void setSearchType(int value);

    // Called whenever a confirmation setting changes its stored value, so an
    // open preferences pane can follow a suppression box ticked in an alert.
    // Process-wide; add returns the index that remove takes.
    using Observer = std::function<void()>;
    static int addObserver(Observer observer);
    static void removeObserver(int index);

private:
    void writeConfirmation(const QString& key, bool value);
    static void notifyObservers();

    SettingsStore& m_store;
};
