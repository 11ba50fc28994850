#pragma once
// The progress panel of a bulk job, shown as a window-modal sheet: the
// application icon, the operation's text, the bar, the stop button and the
// time remaining. It draws a ProgressBoxModel; Escape and the stop button
// press the model's stop button.

#include <QDialog>
#include <functional>

class ProgressBoxModel;
class QLabel;
class QProgressBar;
class QTimer;
class QToolButton;

class ProgressSheet : public QDialog {
    Q_OBJECT
public:
    // stop presses the running job's stop button.
    ProgressSheet(QWidget* window, std::function<void()> stop);

    // Shows the model, and reads its time again every second until finish.
    void update(const ProgressBoxModel& model);
    // The owner closed the panel: no stop.
    void finish();

    QString message() const;
    QString timeText() const;
    QProgressBar* progressBar() const { return m_bar; }
    QToolButton* stopButton() const { return m_stop; }

    static constexpr int kWidth = 450;
    static constexpr int kHeight = 100;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    std::function<void()> m_stopAction;
    QLabel* m_message;
    QLabel* m_time;
    QProgressBar* m_bar;
    QToolButton* m_stop;
    bool m_finished = false;
    const ProgressBoxModel* m_model = nullptr;
    QTimer* m_tick;
};
