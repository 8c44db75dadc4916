#include "ProgressBar.h"

#include <QAccessible>

namespace {
constexpr int frameMs = 16;
}

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(frameMs);
    connect(&m_showTimer, &QTimer::timeout, this, &ProgressBar::showLatest);
}

void ProgressBar::setProgress(int value)
{
    m_value = qBound(0, value, 100);
    scheduleShow();
}

void ProgressBar::setCaption(const QString& caption)
{
    m_caption = caption;
    scheduleShow();
}

void ProgressBar::scheduleShow()
{
    // The first change shows at once; changes right after it wait a frame.
    if (m_showTimer.isActive())
        return;
    showLatest();
    m_showTimer.start();
}

void ProgressBar::showLatest()
{
    if (value() == m_value && m_shownCaption == m_caption)
        return;
    const bool newCaption = m_shownCaption != m_caption;
    m_shownCaption = m_caption;
    setValue(m_value);
    update();
    if (newCaption) { // the bar's name and description: screen readers speak a changed name
        for (const QAccessible::Event change : {QAccessible::NameChanged, QAccessible::DescriptionChanged}) {
            QAccessibleEvent event(this, change);
            QAccessible::updateAccessibility(&event);
        }
    }
    // Changes that arrived while waiting get their own frame.
    m_showTimer.start();
}
