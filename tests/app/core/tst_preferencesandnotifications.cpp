#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/engine/KTProgressThrottle.h"
#include "util/core/KTUtility.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

using namespace std::chrono_literals;

// The stored preferences, and the notifications the job and the screens
// exchange: the bridge to the main thread and the progress throttle.
class TestPreferencesAndNotifications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    // Registered defaults apply until a value is stored, and again once it
    // is removed; the application's store is the user's QSettings (here in
    // Qt's test location), so a stored value is what the next reader sees.
    void registeredDefaults()
    {
        const QString encoding = QString::fromLatin1(KTPreferences::FilenameEncoding);
        auto prefs = KTPreferences::inMemory();
        QCOMPARE(prefs->integerForKey(encoding), 0);
        prefs->registerApplicationDefaults();
        QCOMPARE(prefs->integerForKey(encoding), 4);

        KTPreferences &standard = KTPreferences::standard();
        standard.registerApplicationDefaults();
        standard.setInteger(encoding, 110);
        QCOMPARE(QSettings(QStringLiteral("KTExtractor"), QStringLiteral("KTExtractor")).value(encoding).toLongLong(), 110);
        standard.removeObject(encoding);
        QCOMPARE(standard.integerForKey(encoding), 4);
    }

    // The bridge delivers later on the main thread, in order, with the null
    // object for a missing one, also when called on the main thread.
    void bridge()
    {
        QList<QVariant> objects;
        QList<QThread *> threads;
        QObject receiver;
        KTNotificationCenter::defaultCenter().addObserver(&receiver, QStringLiteral("filedrop"), [&](const QVariant &v) {
            objects.append(v);
            threads.append(QThread::currentThread());
        });
        KTUtility::kt_doPerformNotification(QStringLiteral("filedrop"));
        QVERIFY(objects.isEmpty());
        QThread *worker = QThread::create([] {
            KTUtility::kt_doPerformNotification(QStringLiteral("filedrop"), QStringList{QStringLiteral("/a.zip")});
            KTUtility::kt_doPerformNotification(QStringLiteral("fileprogress"), 0.5f);
        });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QTRY_COMPARE(objects.size(), 2);
        QVERIFY(objects[0].isValid());
        QVERIFY(KTNotificationCenter::isNullObject(objects[0]));
        QCOMPARE(objects[1].toStringList(), QStringList{QStringLiteral("/a.zip")});
        QCOMPARE(threads[1], QThread::currentThread());
    }

    // At most one value per interval passes; the last held-back value is kept.
    void throttle()
    {
        KTProgressThrottle throttle(33ms);
        const auto t0 = KTProgressThrottle::Clock::now();
        QVERIFY(throttle.offer(0.1f, t0));
        QVERIFY(!throttle.offer(0.2f, t0 + 10ms));
        QVERIFY(!throttle.offer(0.3f, t0 + 20ms));
        QCOMPARE(throttle.takePending(), std::optional<float>(0.3f));
        QCOMPARE(throttle.takePending(), std::nullopt);
        QVERIFY(throttle.offer(0.4f, t0 + 40ms));
        QCOMPARE(throttle.takePending(), std::nullopt);
    }

};

QTEST_GUILESS_MAIN(TestPreferencesAndNotifications)
#include "tst_preferencesandnotifications.moc"
