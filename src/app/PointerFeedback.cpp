// The hand pointer over buttons and the default pointer elsewhere, leaving a
// busy hourglass alone until the command that set it takes it down.

#include "Form1.h"
#include "ReportListView.h"

#include <QEvent>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>

namespace {
constexpr int defaultPointer = 0;
constexpr int busyPointer = 11;
constexpr int customPointer = 99;

bool partOf(QObject* watched, const QWidget* control)
{
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget && (widget == control || control->isAncestorOf(widget));
}
} // namespace

void Form1::setMousePointer(int value)
{
    if (value == m_mousePointer)
        return;
    m_mousePointer = value;
    switch (value) {
    case busyPointer:
        setCursor(Qt::WaitCursor);
        break;
    case customPointer:
        setCursor(m_mouseIcon ? *m_mouseIcon : QCursor(Qt::PointingHandCursor));
        break;
    default:
        unsetCursor();
        break;
    }
}

void Form1::pointerFeedback(int value)
{
    if (MousePointer() != busyPointer)
        setMousePointer(value);
}

void Form1::PushButton_MouseMove()
{
    pointerFeedback(customPointer);
}

void Form1::Form_MouseMove()
{
    pointerFeedback(defaultPointer);
}

void Form1::Frame1_MouseMove()
{
    pointerFeedback(defaultPointer);
}

void Form1::Frame7_MouseMove()
{
    pointerFeedback(defaultPointer);
}

void Form1::ListView1_MouseMove()
{
    pointerFeedback(defaultPointer);
}

void Form1::ListView2_MouseMove()
{
    pointerFeedback(defaultPointer);
}

// Moves that a control ignores reach the window too; only those over bare
// window background are the window's own.
void Form1::mouseMoveEvent(QMouseEvent* event)
{
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void Form1::enterEvent(QEnterEvent* event)
{
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::enterEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // Entering a control counts as moving over it: the pointer changes as soon
    // as it crosses the edge.
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (qobject_cast<QPushButton*>(watched))
            PushButton_MouseMove();
        else if (watched == Frame1)
            Frame1_MouseMove();
        else if (watched == Frame7)
            Frame7_MouseMove();
        else if (partOf(watched, ListView1))
            ListView1_MouseMove();
        else if (partOf(watched, ListView2))
            ListView2_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}
