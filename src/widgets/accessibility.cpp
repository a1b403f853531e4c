#include "widgets/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusFrame>
#include <QMenu>
#include <QWidget>

namespace {

constexpr const char* kAlertProperty = "accessibleAlert";

// Qt offers every child widget, the hidden and disabled ones too: a screen reader would
// read out the main window's hidden buttons. Ours are windows with a "dialogId".
class OurWindow final : public QAccessibleWidget {
public:
    explicit OurWindow(QWidget* window)
        : QAccessibleWidget(window, window->property(kAlertProperty).toBool() ? QAccessible::AlertMessage
                                                                             : QAccessible::Dialog)
    {
    }

    QAccessible::Role role() const override
    {
        return widget()->property(kAlertProperty).toBool() ? QAccessible::AlertMessage : QAccessible::Dialog;
    }
    int childCount() const override { return static_cast<int>(offered().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QWidgetList children = offered();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        return static_cast<int>(offered().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QWidgetList offered() const
    {
        QWidgetList list;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (!child || child->isWindow() || qobject_cast<QFocusFrame*>(child) || qobject_cast<QMenu*>(child))
                continue;
            if (child->isVisibleTo(widget()) && child->isEnabled())
                list.append(child);
        }
        return list;
    }
};

QAccessibleInterface* ourWindowFactory(const QString& className, QObject* object)
{
    // Asked once per class up the hierarchy: answer at QDialog, below every class of ours.
    if (className != QLatin1String("QDialog") || !object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (!widget->isWindow() || !widget->property("dialogId").isValid())
        return nullptr;
    return new OurWindow(widget);
}

} // namespace

void InstallAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ourWindowFactory);
}

void AnnounceAlert(QWidget* window, const QString& topic)
{
    window->setProperty(kAlertProperty, true);
    window->setAccessibleName(topic);
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(window, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}
