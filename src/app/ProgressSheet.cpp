#include "app/ProgressSheet.h"

#include "collection/ProgressBoxModel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {
// The bar's resolution: a fraction shown in thousandths.
constexpr int kBarRange = 1000;
} // namespace

ProgressSheet::ProgressSheet(QWidget* window, std::function<void()> stop)
    : QDialog(window, Qt::Sheet | Qt::FramelessWindowHint), m_stopAction(std::move(stop))
{
    setObjectName(QStringLiteral("ProgressSheet"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette tinted = palette();
    tinted.setColor(QPalette::Window, QColor::fromRgbF(0.92, 0.92, 0.92));
    setPalette(tinted);
    setWindowOpacity(0.96);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setGeometry(20, 18, 64, 64);

    m_message = new QLabel(this);
    QFont bold = m_message->font();
    bold.setBold(true);
    bold.setPointSizeF(std::max(8.0, bold.pointSizeF()));
    m_message->setFont(bold);
    m_message->setGeometry(100, 14, 330, 20);

    m_bar = new QProgressBar(this);
    m_bar->setGeometry(100, 42, 312, 14);
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 0);
    m_bar->setToolTip(QStringLiteral("Shows progress of current process."));

    m_stop = new QToolButton(this);
    m_stop->setAutoRaise(true);
    m_stop->setIcon(QIcon::fromTheme(QStringLiteral("process-stop"),
                                     style()->standardIcon(QStyle::SP_BrowserStop)));
    m_stop->setGeometry(417, 38, 22, 22);
    m_stop->setToolTip(QStringLiteral("Press this button to stop the process."));
    connect(m_stop, &QToolButton::clicked, this, [this] {
        if (m_stopAction)
            m_stopAction();
    });

    m_time = new QLabel(this);
    m_time->setGeometry(100, 62, 330, 20);

    // The time remaining goes on counting down while an item takes long.
    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, [this] {
        if (m_model && !m_model->isIndeterminate())
            m_time->setText(m_model->timeLabel());
    });
}

void ProgressSheet::update(const ProgressBoxModel& model)
{
    m_model = &model;
    if (!m_tick->isActive())
        m_tick->start();
    m_message->setText(model.message());
    if (model.isIndeterminate()) {
        m_bar->setRange(0, 0);
        m_time->clear();
    } else {
        m_bar->setRange(0, kBarRange);
        m_bar->setValue(int(model.progress() * kBarRange));
        m_time->setText(model.timeLabel());
    }
}

QString ProgressSheet::message() const { return m_message->text(); }

QString ProgressSheet::timeText() const { return m_time->text(); }

void ProgressSheet::finish()
{
    // The model goes with the job.
    m_tick->stop();
    m_model = nullptr;
    m_finished = true;
    accept();
}

void ProgressSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (m_stopAction)
            m_stopAction();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgressSheet::reject()
{
    // Closed by anything but its owner: that is a stop; the job's
    // completion closes the sheet.
    if (!m_finished && m_stopAction)
        m_stopAction();
}
