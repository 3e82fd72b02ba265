#include "util/core/KTTransferEstimate.h"

#include <QTest>

// Time left from samples at given moments: none before a second of them,
// then the remaining bytes over a smoothed rate.
class TestTransferEstimate : public QObject
{
    Q_OBJECT

private slots:
    void steadyRate()
    {
        KTTransferEstimate estimate;
        estimate.start(10000000);
        // 1,000 bytes a millisecond; samples closer than a quarter second
        // count for the amount only.
        for (qint64 ms = 0; ms < 1000; ms += 125)
            estimate.sample(ms, ms * 1000);
        QCOMPARE(estimate.secondsLeft(), std::nullopt);
        QCOMPARE(estimate.done(), qint64(875000));
        estimate.sample(1000, 1000000);
        QCOMPARE(estimate.secondsLeft(), std::optional<qint64>(9));
    }

    // A stall moves the estimate only part of the way; it recovers.
    void smoothed()
    {
        KTTransferEstimate estimate;
        estimate.start(100000000);
        qint64 done = 0;
        qint64 ms = 0;
        for (; ms <= 2000; ms += 250, done += 250000) // 1 MB/s
            estimate.sample(ms, done);
        const qint64 steady = *estimate.secondsLeft();
        estimate.sample(ms, done - 250000); // a quarter second without progress
        const qint64 stalled = *estimate.secondsLeft();
        QVERIFY(stalled > steady);
        QVERIFY2(stalled < steady * 2, qPrintable(QStringLiteral("%1 vs %2").arg(stalled).arg(steady)));
    }

    // Samples never go back or past the total; a new start forgets all.
    void bounds()
    {
        KTTransferEstimate estimate;
        estimate.start(1000);
        estimate.sample(0, 500);
        estimate.sample(300, 200);
        QCOMPARE(estimate.done(), qint64(500));
        estimate.sample(600, 5000);
        QCOMPARE(estimate.done(), qint64(1000));
        estimate.start(10);
        QCOMPARE(estimate.done(), qint64(0));
        QCOMPARE(estimate.total(), qint64(10));
        QCOMPARE(estimate.secondsLeft(), std::nullopt);
        // Nothing moving: no estimate rather than an endless one.
        estimate.sample(0, 0);
        estimate.sample(2000, 0);
        QCOMPARE(estimate.secondsLeft(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestTransferEstimate)
#include "tst_transferestimate.moc"
