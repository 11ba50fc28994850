#include "app/LoadTagsDialog.h"

#include "network/LoadTagsCommand.h"
#include "network/LoadTagsFlags.h"
#include "settings/QZTagLibTableSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace tagmint::network;

LoadTagsDialog::LoadTagsDialog(QZTagLibTableSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("LoadTagsDialog"));
    setWindowTitle(LoadTagsCommand::optionsTitle());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(LoadTagsCommand::optionsMessage(), this));

    const auto addBox = [this, layout](const QString& name, const QString& text, int indent = 0) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(name);
        box->setContentsMargins(indent, 0, 0, 0);
        layout->addWidget(box);
        return box;
    };
    m_fromPaths = addBox(QStringLiteral("loadFromPathsCheckBox"), QStringLiteral("Load tags from folder and file names"));
    m_fromNetwork = addBox(QStringLiteral("loadFromNetworkCheckBox"), QStringLiteral("Load tags from network"));
    m_useExistingTags = addBox(QStringLiteral("useExistingTagsForNetworkSearch"),
                               QStringLiteral("Use existing artist, album and title for network search"), 20);
    m_missingOnly = addBox(QStringLiteral("loadMissingOnlyCheckBox"), QStringLiteral("Load missing tags only"));

    auto* buttons = new QDialogButtonBox(this);
    m_continue = buttons->addButton(QStringLiteral("Continue"), QDialogButtonBox::AcceptRole);
    m_continue->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    loadSettings();
    for (QCheckBox* box : {m_fromPaths, m_fromNetwork, m_useExistingTags, m_missingOnly}) {
        connect(box, &QCheckBox::toggled, this, [this] {
            saveSettings();
            enableControls();
        });
    }
}

quint32 LoadTagsDialog::flags() const
{
    quint32 flags = 0;
    if (m_fromPaths->isChecked())
        flags |= FromPaths;
    if (m_fromNetwork->isChecked())
        flags |= FromNetwork;
    if (m_useExistingTags->isChecked())
        flags |= UseExistingTags;
    if (m_missingOnly->isChecked())
        flags |= MissingOnly;
    return flags;
}

void LoadTagsDialog::loadSettings()
{
    const quint32 stored = quint32(m_settings.loadTagsFlags());
    m_fromPaths->setChecked(stored & FromPaths);
    m_fromNetwork->setChecked(stored & FromNetwork);
    m_useExistingTags->setChecked(stored & UseExistingTags);
    m_missingOnly->setChecked(stored & MissingOnly);
    enableControls();
}

void LoadTagsDialog::saveSettings()
{
    m_settings.setLoadTagsFlags(int(flags()));
}

void LoadTagsDialog::enableControls()
{
    m_continue->setEnabled(flags() & kLoadTagsSourceMask);
    m_useExistingTags->setEnabled(m_fromNetwork->isChecked());
}
