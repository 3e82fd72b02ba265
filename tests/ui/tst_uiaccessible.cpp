#include "support/KTAccessibleEvents.h"
#include "ui/KTFileDropView.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

namespace {

int count(QObject *object, QAccessible::Event type)
{
    return KTAccessibleEvents::count(object, type);
}

} // namespace

// The painted widgets as assistive technology reads them: through
// QAccessible, with the events it would be sent.
class TestUiAccessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(KTAccessibleEvents::start());
    }

    void init()
    {
        KTAccessibleEvents::clear();
    }

    // A progress bar whose value, range and spoken share follow the bar,
    // with a value-change event on every change.
    void progressIndicator()
    {
        QWidget window;
        auto *bar = new KTProgressIndicator(&window);
        window.show();
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(bar);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::ProgressBar);
        QVERIFY(!a->text(QAccessible::Name).isEmpty());
        QAccessibleValueInterface *value = a->valueInterface();
        QVERIFY(value);

        KTAccessibleEvents::clear();
        bar->setDoubleValue(60.0);
        QCOMPARE(value->currentValue().toDouble(), 60.0);
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("50%"));
        QCOMPARE(count(bar, QAccessible::ValueChanged), 1);
        QCOMPARE(KTAccessibleEvents::events().back().value.toDouble(), 60.0);
        bar->setDoubleValue(200.0);
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("100%"));
        bar->setMaxValue(0.0);
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("0%"));
    }

    // The busy circle is named by its caption and busy only while it spins;
    // the caption and the spin are announced.
    void busyCircle()
    {
        QWidget window;
        auto *circle = new KTScanProgressView(QRectF(0, 0, 200, 200), true, &window);
        window.show();
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(circle);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::ProgressBar);
        QVERIFY(!a->valueInterface());
        QVERIFY(!a->state().busy);

        KTAccessibleEvents::clear();
        circle->setupWithTitle(QStringLiteral("Extracting..."));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Extracting..."));
        QVERIFY(count(circle, QAccessible::NameChanged) >= 1);
        circle->start();
        QVERIFY(a->state().busy);
        const auto &events = KTAccessibleEvents::events();
        QVERIFY(std::any_of(events.begin(), events.end(), [&](const auto &e) { return e.object == circle && e.busyChanged; }));
        KTAccessibleEvents::clear();
        circle->stop();
        QVERIFY(!a->state().busy);
        QCOMPARE(count(circle, QAccessible::StateChanged), 1);
    }

    // The drop area is a focusable button: Enter, Space and the accessible
    // press action ask for the file dialog; other keys do not. (The screen's
    // test reads its name.)
    void dropArea()
    {
        QWidget window;
        auto *drop = new KTFileDropView(&window);
        window.show();
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(drop);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QVERIFY(a->state().focusable);
        QAccessibleActionInterface *actions = a->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QCOMPARE(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()), QStringList({"Return", "Space"}));

        QSignalSpy activated(drop, &KTFileDropView::activated);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(activated.size(), 1);
        QTest::keyClick(drop, Qt::Key_Return);
        QTest::keyClick(drop, Qt::Key_Space);
        QTest::keyClick(drop, Qt::Key_Enter);
        QTest::keyClick(drop, Qt::Key_A);
        QCOMPARE(activated.size(), 4);
    }
};

QTEST_MAIN(TestUiAccessible)
#include "tst_uiaccessible.moc"
