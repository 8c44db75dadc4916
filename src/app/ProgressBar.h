#pragma once
// The progress bar with its caption drawn on it. A command may change the
// value and caption as often as it likes; the bar takes the latest of them at
// most sixty times a second, so a run over many fast pages spends its time
// on the pages rather than on repainting.

#include <QProgressBar>
#include <QTimer>

class ProgressBar final : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    void setProgress(int value); // 0 to 100
    int progress() const { return m_value; }
    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }

    QString text() const override { return m_shownCaption; }

private:
    void scheduleShow();
    void showLatest();

    QTimer m_showTimer;
    int m_value = 0;
    QString m_caption;
    QString m_shownCaption;
};
