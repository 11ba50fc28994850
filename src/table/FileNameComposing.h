#pragma once
// The window side of composing file names from tags, without widgets: the
// options panel's check boxes and texts, the one-time introduction, which
// gestures open the panel instead of the cell editor, and the rule that
// keeps a second panel from opening right after the first.

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>

struct KeyPress;

namespace tagmint::table {

// The panel's check boxes, in the panel's order.
struct ComposeOption {
    quint32 flag;          // naming::ComposeFlag
    QString objectName;    // "trackCheckBox", ...
    QString title;         // "Track", ...
};
const QList<ComposeOption>& composeOptions();

QString composeIntroductionTitle();     // "File Name"
QString composeIntroductionText();
QString composeIntroductionButton();    // "Start Renaming"

// Return or Enter with Shift, Ctrl, Alt or Meta held: the panel opens
// instead of the cell editor.
bool isComposeGesture(const KeyPress& key);
// A double click with one of those modifiers does the same.
bool isComposeClick(Qt::KeyboardModifiers modifiers);

// Refuses a presentation less than 500 ms after the previous request. Every
// request that gets this far counts, refused or not. The clock gives
// milliseconds; tests hand in their own.
class PanelPresentationGate {
public:
    using Clock = std::function<qint64()>;
    static constexpr qint64 kMinimumIntervalMs = 500;

    explicit PanelPresentationGate(Clock clock = {});
    bool allowPresentation();

    // The one gate of the program.
    static PanelPresentationGate& shared();

private:
    Clock m_clock;
    qint64 m_lastRequest = -1;
};

} // namespace tagmint::table
