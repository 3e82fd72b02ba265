#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The application's few broadcasts, by name: "filedrop" (list of paths),
// "fileprogress" (a float: 0 to 1 while extracting, 1.0 to 1.2 while the
// tree is built) and "fileget" (no object). One instance per process; it
// lives on the GUI (main) thread.
class KTNotificationCenter : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *FileDrop = "filedrop";
    static constexpr const char *FileProgress = "fileprogress";
    static constexpr const char *FileGet = "fileget";

    static KTNotificationCenter &defaultCenter();

    // Delivers at once, on the calling thread, to every observer.
    void postNotification(const QString &name, const QVariant &object = {});

    // Calls handler(object) for every notification of that name, on the
    // centre's thread, until receiver is destroyed.
    template<typename Handler>
    QMetaObject::Connection addObserver(QObject *receiver, const QString &name, Handler handler)
    {
        return connect(this, &KTNotificationCenter::notified, receiver,
                       [name, handler](const QString &posted, const QVariant &object) {
                           if (posted == name)
                               handler(object);
                       });
    }

    // The stand-in for a missing object: a valid QVariant holding nullptr.
    static QVariant nullObject();
    static bool isNullObject(const QVariant &object);

signals:
    void notified(const QString &name, const QVariant &object);

private:
    KTNotificationCenter();
};
