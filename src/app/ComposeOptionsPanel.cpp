#include "app/ComposeOptionsPanel.h"

#include "naming/FileNameComposer.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using tagmint::table::ComposeOption;

ComposeOptionsPanel* ComposeOptionsPanel::present(QWidget* anchorWidget, const QRect& anchor, RecordPtr record,
                                                  quint32 composeFlags,
                                                  tagmint::table::PanelPresentationGate& gate)
{
    if (!anchorWidget || !anchorWidget->isVisible() || !anchorWidget->window())
        return nullptr;
    if (!gate.allowPresentation())
        return nullptr;
    auto* panel = new ComposeOptionsPanel(anchorWidget, std::move(record), composeFlags);
    panel->popupAbove(anchorWidget, anchor);
    return panel;
}

ComposeOptionsPanel::ComposeOptionsPanel(QWidget* anchorWidget, RecordPtr record, quint32 composeFlags)
    : QFrame(anchorWidget, Qt::Popup), m_record(std::move(record)), m_flags(composeFlags)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("ComposeOptionsPanel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    auto* heading = new QLabel(QStringLiteral("Create File Names from tags:"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    // Tags in two columns, the style options below them.
    auto* grid = new QGridLayout;
    int index = 0;
    for (const ComposeOption& option : tagmint::table::composeOptions()) {
        auto* box = new QCheckBox(option.title, this);
        box->setObjectName(option.objectName);
        m_boxes.insert(option.flag, box);
        const bool tag = option.flag & tagmint::naming::kComposeTagMask;
        if (tag)
            grid->addWidget(box, index / 2, index % 2);
        else
            grid->addWidget(box, 3 + (index - 6), 0, 1, 2);
        ++index;
        connect(box, &QCheckBox::toggled, this, [this] {
            updateExample(currentComposeFlags());
            saveSettings();
        });
    }
    layout->addLayout(grid);

    m_example = new QLineEdit(this);
    m_example->setObjectName(QStringLiteral("exampleField"));
    m_example->setReadOnly(true);
    m_example->setFocusPolicy(Qt::NoFocus);
    m_example->setMinimumWidth(320);
    layout->addWidget(m_example);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_doneButton = new QPushButton(QStringLiteral("Done"), this);
    m_doneButton->setObjectName(QStringLiteral("doneButton"));
    m_doneButton->setDefault(true);
    buttons->addWidget(m_doneButton);
    layout->addLayout(buttons);
    connect(m_doneButton, &QPushButton::clicked, this, [this] {
        m_done = true;
        saveSettings();
        close();
    });

    loadSettings();
}

quint32 ComposeOptionsPanel::currentComposeFlags() const
{
    quint32 flags = 0;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
        if (it.value()->isChecked())
            flags |= it.key();
    }
    return flags;
}

QString ComposeOptionsPanel::exampleText() const
{
    return m_example->text();
}

void ComposeOptionsPanel::loadSettings()
{
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it) {
        const QSignalBlocker quiet(it.value());
        it.value()->setChecked(m_flags & it.key());
    }
    updateExample(m_flags);
}

void ComposeOptionsPanel::saveSettings()
{
    m_flags = currentComposeFlags();
}

void ComposeOptionsPanel::updateExample(quint32 flags)
{
    const QString text = tagmint::naming::composeExample(m_record.get(), flags);
    m_example->setText(text);
    m_example->setCursorPosition(0);
    m_example->setToolTip(text);
}

void ComposeOptionsPanel::popupAbove(QWidget* anchorWidget, const QRect& anchor)
{
    adjustSize();
    QPoint position = anchorWidget->mapToGlobal(anchor.topLeft()) - QPoint(0, height() + 2);
    if (const QScreen* screen = anchorWidget->screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() < available.top())
            position.setY(anchorWidget->mapToGlobal(anchor.bottomLeft()).y() + 2);
        position.setX(std::clamp(position.x(), available.left(),
                                 std::max(available.left(), available.right() - width())));
    }
    move(position);
    show();
    m_boxes.value(tagmint::naming::ComposeTrack)->setFocus();
}

void ComposeOptionsPanel::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    if (auto closed = std::move(m_closed))
        closed(*this);
}
