#pragma once

#include <QAccessible>
#include <QObject>
#include <QVariant>

#include <vector>

// What assistive technology would be told: switches accessibility on (as a
// screen reader's presence does) and records every update event from then
// on. One at a time per process.
class KTAccessibleEvents
{
public:
    struct Event {
        QObject *object;
        QAccessible::Event type;
        // ValueChanged: the new value.
        QVariant value;
        // StateChanged: whether the busy state is among the changes.
        bool busyChanged;
    };

    // false when the platform offers no accessibility.
    static bool start();
    static void clear();
    static const std::vector<Event> &events();
    static int count(const QObject *object, QAccessible::Event type);
};
