#pragma once
// The decisions around closing a window and quitting: which question to ask,
// and what each answer leads to. The window shows the sheets.

#include <QList>
#include <QString>
#include <utility>

class QZTagLibTableSettings;
class TableWindow;
class WindowRegistry;

namespace tagmint::collection::prompt_text {
// The unsaved-changes prompt of reloading, removing rows and closing.
QString unsavedChanges();   // "Do you want to save the changes?\n..."
QString save();
QString dontSave();
QString cancel();
QString closeWindowTitle();
QString reloadTitle();
QString removeRowsTitle();
// The close confirmation.
QString closeConfirmation();   // "Do you want to close the window?"
QString yes();
QString no();
} // namespace tagmint::collection::prompt_text

// One window's side of closing: whether the user already agreed.
class WindowCloseState {
public:
    enum class Prompt { None, UnsavedChanges, CloseConfirmation };
    enum class Answer { Save, DontSave, Cancel };
    enum class Next { KeepOpen, Close, SaveThenClose };

    // closeNow, or the prompt to show (the window stays open for now).
    struct Decision {
        bool closeNow = false;
        Prompt prompt = Prompt::None;
    };

    bool closeConfirmed() const { return m_closeConfirmed; }

    // windowShouldClose: a confirmed window closes without questions.
    Decision windowShouldClose(bool hasUnsavedChanges, const QZTagLibTableSettings& settings) const;
    // Unsaved changes ask to save; otherwise the close confirmation when the
    // setting wants it; otherwise close.
    static Decision shouldCloseWithPrompt(bool hasUnsavedChanges,
                                          const QZTagLibTableSettings& settings);

    // The unsaved-changes prompt was answered.
    Next unsavedChangesAnswered(Answer answer);
    // The save that "Save" started ended; true: close now.
    bool saveFinished(bool succeeded);
    // The close confirmation was answered; a ticked box turns it off for
    // the next time. True: close now.
    bool closeConfirmationAnswered(bool yes, bool doNotAskAgain, QZTagLibTableSettings& settings);

private:
    bool m_closeConfirmed = false;
};

// What quitting does with each window, in creation order.
struct QuitPlan {
    bool terminate = true;
    QList<TableWindow*> restore;   // minimised with a sheet: bring back
    QList<std::pair<TableWindow*, WindowCloseState::Prompt>> prompts;
    QList<TableWindow*> close;
};

// closeWindowsWithPrompt: windows that may close are closed; the others keep
// (or show) their question and the quit is cancelled.
QuitPlan closeWindowsWithPrompt(const WindowRegistry& registry, const QZTagLibTableSettings& settings);
