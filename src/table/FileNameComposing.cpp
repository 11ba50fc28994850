#include "table/FileNameComposing.h"

#include "naming/FileNameComposer.h"
#include "table/SelectionInput.h"

#include <chrono>

namespace tagmint::table {

const QList<ComposeOption>& composeOptions()
{
    using namespace naming;
    static const QList<ComposeOption> options = {
        {ComposeTrack, QStringLiteral("trackCheckBox"), QStringLiteral("Track")},
        {ComposeArtist, QStringLiteral("artistCheckBox"), QStringLiteral("Artist")},
        {ComposeTitle, QStringLiteral("titleCheckBox"), QStringLiteral("Title")},
        {ComposeAlbumArtist, QStringLiteral("albumArtistCheckBox"), QStringLiteral("Album Artist")},
        {ComposeAlbum, QStringLiteral("albumCheckBox"), QStringLiteral("Album")},
        {ComposeYear, QStringLiteral("yearCheckBox"), QStringLiteral("Year")},
        {ComposeUseHyphen, QStringLiteral("useHyphenCheckBox"), QStringLiteral("use hyphen")},
        {ComposeUseUnderscores, QStringLiteral("useUnderscoresCheckBox"), QStringLiteral("use underscores")},
        {ComposeUseLowercase, QStringLiteral("useLowercaseCheckBox"), QStringLiteral("use lowercase")},
    };
    return options;
}

QString composeIntroductionTitle()
{
    return QStringLiteral("File Name");
}

QString composeIntroductionText()
{
    return QStringLiteral(
        "Click on this button or press Shift+Enter\nto create File Names from tags.\n\n"
        "This action can be applied to several selected cells.\n"
        "Cells can be selected by mouse or by pressing Shift and Arrows.\n");
}

QString composeIntroductionButton()
{
    return QStringLiteral("Start Renaming");
}

bool isComposeGesture(const KeyPress& key)
{
    return (key.key == Qt::Key_Return || key.key == Qt::Key_Enter) && isComposeClick(key.modifiers);
}

bool isComposeClick(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

PanelPresentationGate::PanelPresentationGate(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        // Monotonic: a clock set back must not keep the panel shut.
        m_clock = [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        };
    }
}

bool PanelPresentationGate::allowPresentation()
{
    const qint64 now = m_clock();
    const bool allowed = m_lastRequest < 0 || now - m_lastRequest >= kMinimumIntervalMs;
    m_lastRequest = now;
    return allowed;
}

PanelPresentationGate& PanelPresentationGate::shared()
{
    static PanelPresentationGate gate;
    return gate;
}

} // namespace tagmint::table
