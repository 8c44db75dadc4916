#include "WindowAccessibility.h"

#include "ProgressBar.h"
#include "ReportListView.h"
#include "RowListModel.h"
#include "TickListAccessible.h"

#include <QAccessibleWidget>

namespace {
// No value interface: the screen reader bridge would offer Increase and
// Decrease on it, which mean nothing on a bar the run fills.
class ProgressBarAccessible final : public QAccessibleWidget {
public:
    explicit ProgressBarAccessible(ProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override
    {
        // The caption is what the bar says: "Progress Bar", or the URL the run is at.
        if (t == QAccessible::Name || t == QAccessible::Description || t == QAccessible::Value)
            return static_cast<const ProgressBar*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* windowAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("ProgressBar"))
        return new ProgressBarAccessible(static_cast<ProgressBar*>(object));
    if (className == QLatin1String("ReportListView")) {
        auto* list = static_cast<ReportListView*>(object);
        if (list->rows()->checkable())
            return new TickListAccessible(list);
    }
    return nullptr;
}
} // namespace

void installWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}
