#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QProcess>
#include <QTest>

// Entries without a name never fail an archive: a file takes the archive's
// name, numbered from the second on, the same names each time; an ar
// archive's index tables are no content and are left out.
class TestNamelessEntries : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    // A stream 7zz archived from standard input: as a single item it is
    // the result itself.
    void streamFromStandardInput()
    {
        if (!KTTestArchives::haveProgram("7zz"))
            QSKIP("7zz is not installed");
        const QByteArray data = QByteArray("a line of the report\n").repeated(300);
        QVERIFY(kt_writeFile(m_tmp + "/in/data", data));
        const QString archive = m_tmp + "/report.7z";
        QProcess p;
        p.setStandardInputFile(m_tmp + "/in/data");
        p.start("7zz", {"a", "-bd", "-si", archive});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);

        const KTJobOutcome out = kt_runJob({archive, m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/report");
        QCOMPARE(kt_readFile(out.desPath), data);
    }

    // Two files without a name beside a named one.
    void severalWithoutNames()
    {
        const QString archive = m_tmp + "/bundle.7z";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("", "first"), KTTestEntry::file("named.txt", "n"),
                                                KTTestEntry::file("", "second")},
                                      "7zip"));
        for (int run = 0; run < 2; ++run) {
            const QString out = m_dir.freshFolder();
            const KTJobOutcome outcome = kt_runJob({archive, out});
            QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
            QCOMPARE(kt_snapshot(outcome.desPath, false),
                     (QMap<QString, QByteArray>{{"bundle", "f:-:first"}, {"bundle-2", "f:-:second"}, {"named.txt", "f:-:n"}}));
        }
    }

    // GNU ar writes a name table ("//") for names longer than 15 bytes.
    void arIndexTables()
    {
        if (!KTTestArchives::haveProgram("ar"))
            QSKIP("ar is not installed");
        const QString longName = "a_member_with_a_rather_long_name.txt";
        QVERIFY(kt_writeFile(m_tmp + "/in/" + longName, "long"));
        QVERIFY(kt_writeFile(m_tmp + "/in/short.txt", "short"));
        const QString archive = m_tmp + "/members.a";
        QVERIFY(KTTestArchives::run("ar", {"rc", archive, longName, "short.txt"}, m_tmp + "/in"));
        QVERIFY(kt_readFile(archive).contains("//"));

        const QString out = m_dir.freshFolder();
        const KTJobOutcome outcome = kt_runJob({archive, out});
        QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
        QCOMPARE(outcome.desPath, out + "/members");
        QCOMPARE(kt_snapshot(outcome.desPath, false),
                 (QMap<QString, QByteArray>{{longName, "f:-:long"}, {"short.txt", "f:-:short"}}));
    }

private:
    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestNamelessEntries)
#include "tst_namelessentries.moc"
