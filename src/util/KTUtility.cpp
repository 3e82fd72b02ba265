#include "KTUtility.h"

#include "KTNotificationCenter.h"

#include <QCoreApplication>
#include <QMetaObject>

void KTUtility::kt_doPerformNotification(const QString &name, const QVariant &object)
{
    const QVariantList pair{name, object.isValid() ? object : KTNotificationCenter::nullObject()};
    QObject *context = &KTNotificationCenter::defaultCenter();
    QMetaObject::invokeMethod(context, [pair] { kt_PerformNotification(pair); }, Qt::QueuedConnection);
}

void KTUtility::kt_PerformNotification(const QVariantList &nameAndObject)
{
    if (nameAndObject.size() != 2)
        return;
    KTNotificationCenter::defaultCenter().postNotification(nameAndObject.at(0).toString(), nameAndObject.at(1));
}
