#pragma once

#include <QString>
#include <QVariant>

// Class operations shared by the other parts.
class KTUtility
{
public:
    KTUtility() = delete;

    // Posts a notification on the main thread, later, without waiting; a
    // missing object becomes the null object. Callable from any thread.
    static void kt_doPerformNotification(const QString &name, const QVariant &object = {});
    // The main-thread half: posts [name, object] to the default centre.
    static void kt_PerformNotification(const QVariantList &nameAndObject);
};
