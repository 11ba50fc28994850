#include "app/EmptyTablePlaceholder.h"

#include "table/TableClipboard.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using tagmint::table::localFilesFromMimeData;

EmptyTablePlaceholder::EmptyTablePlaceholder(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EmptyTablePlaceholder"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(72, 72));
    icon->setAlignment(Qt::AlignCenter);
    auto* title = new QLabel(QStringLiteral("Drop audio files or folders here"), this);
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    title->setFont(large);
    title->setAlignment(Qt::AlignCenter);
    auto* hint = new QLabel(QStringLiteral("MP3, MP4/M4A, WAV, AIFF and FLAC files"), this);
    hint->setAlignment(Qt::AlignCenter);
    hint->setForegroundRole(QPalette::PlaceholderText);
    m_browse = new QPushButton(QStringLiteral("Browse..."), this);
    m_browse->setObjectName(QStringLiteral("BrowseButton"));
    connect(m_browse, &QPushButton::clicked, this, &EmptyTablePlaceholder::browseRequested);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_browse);
    buttonRow->addStretch();

    layout->addWidget(icon);
    layout->addSpacing(8);
    layout->addWidget(title);
    layout->addWidget(hint);
    layout->addSpacing(12);
    layout->addLayout(buttonRow);
    layout->addStretch(3);
}

void EmptyTablePlaceholder::keyPressEvent(QKeyEvent* event)
{
    // Return in a window without records opens files, as in the table.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QTimer::singleShot(10, this, &EmptyTablePlaceholder::browseRequested);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void EmptyTablePlaceholder::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFilesFromMimeData(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void EmptyTablePlaceholder::dropEvent(QDropEvent* event)
{
    const QStringList names = localFilesFromMimeData(event->mimeData());
    if (names.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(names);
}

void EmptyTablePlaceholder::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Mid), 2, Qt::DashLine);
    painter.setPen(pen);
    painter.drawRoundedRect(QRectF(rect()).adjusted(24, 24, -24, -24), 12, 12);
}
