#include "support/KTAccessibleEvents.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <algorithm>

namespace {

std::vector<KTAccessibleEvents::Event> s_events;

void record(QAccessibleEvent *event)
{
    KTAccessibleEvents::Event e{event->object(), event->type(), {}, false};
    if (event->type() == QAccessible::ValueChanged)
        e.value = static_cast<QAccessibleValueChangeEvent *>(event)->value();
    if (event->type() == QAccessible::StateChanged)
        e.busyChanged = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates().busy;
    s_events.push_back(e);
}

} // namespace

bool KTAccessibleEvents::start()
{
    // Updates reach the handler only while the platform's accessibility is
    // active, which only the platform interface can switch on.
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (!platform)
        return false;
    QAccessible::installUpdateHandler(record);
    platform->setActive(true);
    s_events.clear();
    return QAccessible::isActive();
}

void KTAccessibleEvents::clear()
{
    s_events.clear();
}

const std::vector<KTAccessibleEvents::Event> &KTAccessibleEvents::events()
{
    return s_events;
}

int KTAccessibleEvents::count(const QObject *object, QAccessible::Event type)
{
    return int(std::count_if(s_events.begin(), s_events.end(),
                             [&](const Event &e) { return e.object == object && e.type == type; }));
}
