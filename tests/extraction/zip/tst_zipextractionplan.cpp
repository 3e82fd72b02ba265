#include "extraction/zip/KTParallelZipExtractor.h"
#include "extraction/zip/KTZipExtractionPlan.h"

#include <QTest>

// How a zip's entries are shared between threads: which may go to workers,
// how many workers, and what stays with the calling thread in order.
class TestZipExtractionPlan : public QObject
{
    Q_OBJECT

private slots:
    // Workers only where they pay and their readers fit in memory: none for
    // a small zip or one of tiny files, one per core for a large one, none
    // for a million entries (each reader would hold the whole directory again).
    void workerCount()
    {
        const quint64 mb = 1024 * 1024;
        QCOMPARE(KTParallelZipExtractor::workerCount(mb / 2, 10, 2), 1);
        QCOMPARE(KTParallelZipExtractor::workerCount(18 * mb, 20000, 2), 1);
        QCOMPARE(KTParallelZipExtractor::workerCount(2000 * mb, 15000, 2), 2);
        QCOMPARE(KTParallelZipExtractor::workerCount(2000 * mb, 15000, 16), 8);
        QCOMPARE(KTParallelZipExtractor::workerCount(4000 * mb, 200000, 4), 4);
        QCOMPARE(KTParallelZipExtractor::workerCount(20000 * mb, 1000000, 2), 1);
        // Between the two: as many as the budget affords.
        QCOMPARE(KTParallelZipExtractor::workerCount(6000 * mb, 300000, 8), 3);
    }

    // Which entries may go to workers, and how they are shared out.
    void planKeepsClashesInOrder()
    {
        auto entry = [](const QByteArray &path, KTPlannedZipEntry::Kind kind, quint64 weight = 1000) {
            KTPlannedZipEntry e;
            e.path = path;
            e.kind = kind;
            e.weight = weight;
            return e;
        };
        using Kind = KTPlannedZipEntry::Kind;
        std::vector<KTPlannedZipEntry> entries{
            entry("a/b/free", Kind::File),      // 0
            entry("dup", Kind::File),           // 1
            entry("dup", Kind::File),           // 2
            entry("f", Kind::File),             // 3: also a folder below
            entry("f/inner", Kind::File),       // 4: below a file
            entry("s", Kind::Symlink),          // 5
            entry("s/through", Kind::File),     // 6: below a link
            entry("a", Kind::Directory),        // 7
            entry("a/c/free2", Kind::File),     // 8
            entry("", Kind::File),              // 9: no name
        };
        KTPlannedZipEntry refused = entry("x", Kind::File);
        refused.path.reset();
        entries.push_back(refused);             // 10
        for (int i = 0; i < 300; ++i)
            entries.push_back(entry("many/" + QByteArray::number(i), Kind::File, 100000));

        const KTZipExtractionPlan plan(entries, 3, true);
        for (int i : {1, 2, 3, 4, 5, 6, 7, 9, 10})
            QVERIFY2(plan.ownerOf(i) == KTZipExtractionPlan::CallingThread, qPrintable(QString::number(i)));
        QVERIFY(plan.ownerOf(0) >= 0);
        QVERIFY(plan.ownerOf(8) >= 0);
        QCOMPARE(plan.workerCount(), 3);
        const std::vector<QByteArray> folders{"a", "a/b", "a/c", "many"};
        QCOMPARE(plan.folders(), folders);
        std::vector<int> share(3, 0);
        for (int i = 11; i < int(entries.size()); ++i)
            ++share[size_t(plan.ownerOf(i))];
        for (int n : share)
            QVERIFY2(n >= 80 && n <= 120, qPrintable(QString::number(n)));
        for (int w = 0; w < 3; ++w)
            QCOMPARE(plan.ownerOf(plan.lastIndexOf(w)), w);

        // Numbered names may clash with any other entry; a hard link needs
        // its target first.
        QCOMPARE(KTZipExtractionPlan(entries, 3, false).workerCount(), 0);
        entries.push_back(entry("hard", Kind::Hardlink));
        QCOMPARE(KTZipExtractionPlan(entries, 3, true).workerCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestZipExtractionPlan)
#include "tst_zipextractionplan.moc"
