#include "app/core/KTNotificationCenter.h"

#include <QCoreApplication>

KTNotificationCenter::KTNotificationCenter() = default;

KTNotificationCenter &KTNotificationCenter::defaultCenter()
{
    // Created on first use; the bridge moves it to the application's thread.
    static KTNotificationCenter *center = [] {
        auto *c = new KTNotificationCenter;
        if (auto *app = QCoreApplication::instance())
            c->moveToThread(app->thread());
        return c;
    }();
    return *center;
}

void KTNotificationCenter::postNotification(const QString &name, const QVariant &object)
{
    emit notified(name, object);
}

QVariant KTNotificationCenter::nullObject()
{
    return QVariant::fromValue(nullptr);
}

bool KTNotificationCenter::isNullObject(const QVariant &object)
{
    return object.metaType() == QMetaType::fromType<std::nullptr_t>();
}
