#include "app/window/KTDesktopNotifier.h"
#include "app/window/KTJobAnnouncer.h"
#include "app/window/KTLauncherEntry.h"
#include "app/window/KTWindowController.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTScreenDriver.h"
#include "support/KTTestArchives.h"
#include "support/KTWindowHarness.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

namespace {

// One Notify call as the server received it.
struct Notification {
    QString appName;
    uint replacesId = 0;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
};

} // namespace

// A notification server and a launcher-entry listener of the test's own,
// on a connection of their own to the private session bus the test runs on.
class KTDesktopListener : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"));
    QList<Notification> notifications;
    QList<QVariantMap> launcherUpdates;
    QStringList launcherUris;

    bool start()
    {
        return bus.isConnected() && bus.registerService(QString::fromLatin1(KTDesktopNotifier::Service)) &&
               bus.registerObject(QString::fromLatin1(KTDesktopNotifier::Path), this, QDBusConnection::ExportAllSlots) &&
               bus.connect(QString(), QString(), QString::fromLatin1(KTLauncherEntry::Interface), QStringLiteral("Update"),
                           this, SLOT(Update(QString, QVariantMap)));
    }

    void invokeAction(uint id, const QString &action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(KTDesktopNotifier::Path),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << action;
        bus.send(signal);
    }

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int)
    {
        notifications.append({appName, replacesId, icon, summary, body, actions, hints});
        return uint(100 + notifications.size());
    }

    void Update(const QString &uri, const QVariantMap &properties)
    {
        launcherUris.append(uri);
        launcherUpdates.append(properties);
    }
};

// What the window tells the desktop, seen from the desktop's side of a real
// (private) session bus.
class TestDesktopSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QApplication::setDesktopFileName(QStringLiteral("kt-extractor"));
    }

    void init()
    {
        m_h = std::make_unique<KTWindowHarness>();
        QVERIFY(m_h->start());
        m_window = &m_h->window();
        m_base = m_h->folder().freshFolder();
        // The server comes up after the window, as one started on demand does.
        m_listener = std::make_unique<KTDesktopListener>();
        QVERIFY(m_listener->start());
        m_other = std::make_unique<QWidget>();
        m_other->show();
    }

    void cleanup()
    {
        m_h.reset();
        m_other.reset();
        m_listener->bus.unregisterObject(QString::fromLatin1(KTDesktopNotifier::Path));
        m_listener->bus.unregisterService(QString::fromLatin1(KTDesktopNotifier::Service));
        m_listener.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
    }

    // A job that ends while another window is active: one notification with
    // the archive's name, the count and size, the application's entry and a
    // default action. While the window itself is active: none (the next
    // job's notification is the first the server gets).
    void notifiesWhenInactive()
    {
        const QString archive = m_base + "/photos.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a/1.jpg", "12345"), KTTestEntry::file("a/2.jpg", "123"),
                                                KTTestEntry::file("b.txt", "1234")}));
        activate(m_window);
        extract(archive);
        QVERIFY(m_window->isActiveWindow());
        activate(m_other.get());
        extract(archive);

        QTRY_COMPARE(m_listener->notifications.size(), 1);
        const Notification n = m_listener->notifications.first();
        QCOMPARE(n.summary, QString("photos.zip extracted"));
        QCOMPARE(n.body, QString("3 files, 12 bytes"));
        QCOMPARE(n.actions.value(0), QString("default"));
        QCOMPARE(n.actions.size(), 2);
        QCOMPARE(n.hints.value("desktop-entry").toString(), QString("kt-extractor"));
        QCOMPARE(n.replacesId, 0u);

        // The next one replaces it on the server.
        extract(archive);
        QTRY_COMPARE(m_listener->notifications.size(), 2);
        QCOMPARE(m_listener->notifications.last().replacesId, 101u);
    }

    // A failure says which archive and why.
    void notifiesFailures()
    {
        const QString archive = m_base + "/broken.zip";
        QVERIFY(kt_writeFile(archive, "this is no zip at all"));
        activate(m_other.get());
        extract(archive);
        QTRY_COMPARE(m_listener->notifications.size(), 1);
        QCOMPARE(m_listener->notifications.first().summary, QString("broken.zip could not be extracted"));
        QCOMPARE(m_listener->notifications.first().body, QString("Not an archive or an unsupported format"));
    }

    // The notification's default action brings the window back; an action
    // on a notification that is not ours, or another action, does nothing.
    void actionRaisesTheWindow()
    {
        const QString archive = m_base + "/one.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("one.txt", "1")}));
        activate(m_other.get());
        extract(archive);
        QTRY_COMPARE(m_listener->notifications.size(), 1);
        QSignalSpy activated(&m_window->jobAnnouncer()->notifier(), &KTDesktopNotifier::activated);
        m_listener->invokeAction(7, "default");
        m_listener->invokeAction(101, "other");
        m_listener->invokeAction(101, "default");
        QVERIFY(activated.wait());
        QCOMPARE(activated.size(), 1);
        QTRY_VERIFY(m_window->isActiveWindow());
    }

    // Progress reaches the taskbar entry as the application's URI with a
    // visible bar that only grows, and the bar is hidden at the end.
    void launcherProgress()
    {
        const QString archive = m_base + "/big.zip";
        std::vector<KTTestEntry> entries;
        for (int i = 0; i < 40; ++i)
            entries.push_back(KTTestEntry::file("f" + QByteArray::number(i), QByteArray(64 * 1024, char('a' + i % 26))));
        QVERIFY(KTTestArchives::write(archive, entries));
        extract(archive);
        QTRY_VERIFY(!m_listener->launcherUpdates.isEmpty() &&
                    !m_listener->launcherUpdates.last().value("progress-visible").toBool());
        const QList<QVariantMap> updates = m_listener->launcherUpdates;
        QVERIFY2(updates.size() >= 2, "a visible bar, then its end");
        QCOMPARE(QSet<QString>(m_listener->launcherUris.begin(), m_listener->launcherUris.end()),
                 QSet<QString>{"application://kt-extractor.desktop"});
        double last = -1;
        for (qsizetype i = 0; i + 1 < updates.size(); ++i) {
            QVERIFY(updates[i].value("progress-visible").toBool());
            const double progress = updates[i].value("progress").toDouble();
            QVERIFY(progress > last && progress <= 1.0);
            last = progress;
        }
        QCOMPARE(last, 1.0);
    }

    // Without a bus nothing is sent and nothing breaks.
    void noBus()
    {
        const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/kt-no-bus"),
                                                                   QStringLiteral("none"));
        QVERIFY(!none.isConnected());
        KTDesktopNotifier notifier(none);
        QVERIFY(!notifier.notify("a", "b"));
        KTLauncherEntry launcher("application://kt-extractor.desktop", none);
        launcher.setProgress(0.5);
        launcher.clear();
        QDBusConnection::disconnectFromBus(QStringLiteral("none"));
    }

private:
    void activate(QWidget *window)
    {
        // Through the platform, which otherwise gives activation back to
        // the window it last activated.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void extract(const QString &archive)
    {
        KTUnarchiveViewController &screen = *m_window->unarchiveViewController();
        m_window->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
        QVERIFY(KTScreenDriver::dropFiles(screen, {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen));
    }

    std::unique_ptr<KTWindowHarness> m_h;
    KTWindowController *m_window = nullptr;
    QString m_base;
    std::unique_ptr<KTDesktopListener> m_listener;
    std::unique_ptr<QWidget> m_other;
};

QTEST_MAIN(TestDesktopSignals)
#include "tst_desktopsignals.moc"
