#include "collection/WindowClosing.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "collection/WindowRegistry.h"
#include "settings/QZTagLibTableSettings.h"

namespace tagmint::collection::prompt_text {
QString unsavedChanges()
{
    return QStringLiteral("Do you want to save the changes?\nYour changes will be lost if you don't save them.");
}
QString save() { return QStringLiteral("Save"); }
QString dontSave() { return QStringLiteral("Don't Save"); }
QString cancel() { return QStringLiteral("Cancel"); }
QString closeWindowTitle() { return QStringLiteral("Close Window"); }
QString reloadTitle() { return QStringLiteral("Reload"); }
QString removeRowsTitle() { return QStringLiteral("Remove Rows"); }
QString closeConfirmation() { return QStringLiteral("Do you want to close the window?"); }
QString yes() { return QStringLiteral("Yes"); }
QString no() { return QStringLiteral("No"); }
} // namespace tagmint::collection::prompt_text

WindowCloseState::Decision WindowCloseState::windowShouldClose(bool hasUnsavedChanges,
                                                               const QZTagLibTableSettings& settings) const
{
    if (m_closeConfirmed)
        return {true, Prompt::None};
    return shouldCloseWithPrompt(hasUnsavedChanges, settings);
}

WindowCloseState::Decision WindowCloseState::shouldCloseWithPrompt(bool hasUnsavedChanges,
                                                                   const QZTagLibTableSettings& settings)
{
    if (hasUnsavedChanges)
        return {false, Prompt::UnsavedChanges};
    if (settings.showConfirmationBeforeClosingTheWindow())
        return {false, Prompt::CloseConfirmation};
    return {true, Prompt::None};
}

WindowCloseState::Next WindowCloseState::unsavedChangesAnswered(Answer answer)
{
    switch (answer) {
    case Answer::Save:
        return Next::SaveThenClose;
    case Answer::DontSave:
        m_closeConfirmed = true;
        return Next::Close;
    case Answer::Cancel:
        break;
    }
    return Next::KeepOpen;
}

bool WindowCloseState::saveFinished(bool succeeded)
{
    if (succeeded)
        m_closeConfirmed = true;
    return succeeded;
}

bool WindowCloseState::closeConfirmationAnswered(bool yes, bool doNotAskAgain,
                                                 QZTagLibTableSettings& settings)
{
    if (doNotAskAgain)
        settings.setShowConfirmationBeforeClosingTheWindow(false);
    if (yes)
        m_closeConfirmed = true;
    return yes;
}

QuitPlan closeWindowsWithPrompt(const WindowRegistry& registry, const QZTagLibTableSettings& settings)
{
    QuitPlan plan;
    for (TableWindow* window : registry.windows()) {
        if (window->isMinimized() && window->showsSheet()) {
            plan.restore.append(window);
            plan.terminate = false;
            continue;
        }
        const WindowCloseState::Decision decision = WindowCloseState::shouldCloseWithPrompt(
            window->collection().isDirtyUnarranged(), settings);
        if (decision.closeNow) {
            plan.close.append(window);
        } else {
            plan.prompts.append({window, decision.prompt});
            plan.terminate = false;
        }
    }
    return plan;
}
