#include "app/ArtworkPanel.h"

#include "app/CellPopover.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSize = 240;

} // namespace

ArtworkPanel::ArtworkPanel(QWidget* anchorWidget, const QRect& anchor, const QImage& image)
    : QFrame(anchorWidget, Qt::Popup), m_anchorWidget(anchorWidget), m_anchor(anchor)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("ArtworkPanel"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("ArtworkPicture"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(kPictureSize, kPictureSize);
    m_picture->setPixmap(QPixmap::fromImage(
        image.scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_picture->setToolTip(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height()));
    m_picture->installEventFilter(this);
    layout->addWidget(m_picture);

    auto* row = new QHBoxLayout;
    addButton(QStringLiteral("Delete"), &ArtworkPanel::deletePressed);
    addButton(QStringLiteral("Replace"), &ArtworkPanel::replacePressed);
    addButton(QStringLiteral("Save"), &ArtworkPanel::savePressed);
    QPushButton* done = addButton(QStringLiteral("Done"), &ArtworkPanel::donePressed);
    done->setDefault(true);
    for (QPushButton* button : std::as_const(m_buttons)) {
        if (button == done)
            row->addStretch();
        row->addWidget(button);
    }
    layout->addLayout(row);
    // Tab cycles among the buttons only.
    for (qsizetype i = 0; i < m_buttons.size(); ++i)
        setTabOrder(m_buttons.at(i), m_buttons.at((i + 1) % m_buttons.size()));
}

QPushButton* ArtworkPanel::addButton(const QString& text, void (ArtworkPanel::*pressed)())
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(text);
    connect(button, &QPushButton::clicked, this, [this, pressed] {
        emit (this->*pressed)();
        close();
    });
    m_buttons.append(button);
    return button;
}

QPushButton* ArtworkPanel::button(const QString& text) const
{
    return findChild<QPushButton*>(text);
}

void ArtworkPanel::popup()
{
    showPopupAt(this, m_anchorWidget, m_anchor);
    button(QStringLiteral("Done"))->setFocus();
}

void ArtworkPanel::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    if (!std::exchange(m_closedOnce, true))
        emit closed();
}

bool ArtworkPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonDblClick) {
        emit replacePressed();
        close();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
