#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/engine/KTUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Multi-volume archives: whichever volume the user hands over, the whole set
// is read, from the first volume on.
class TestVolumes : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void volumeSets()
    {
        const QString d = m_dir.filePath("sets");
        QVERIFY(QDir().mkpath(d));
        for (const char *name : {"a.part1.rar", "a.part2.rar", "a.part3.rar", "b.part01.rar", "b.part02.rar", "c.rar", "c.r00",
                                 "c.r01", "d.7z.001", "d.7z.002", "e.rar", "f.part1.rar"})
            touch(d + "/" + name);
        const QStringList a{d + "/a.part1.rar", d + "/a.part2.rar", d + "/a.part3.rar"};
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/a.part2.rar"), a);
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/a.part1.rar"), a);
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/b.part02.rar"), QStringList({d + "/b.part01.rar", d + "/b.part02.rar"}));
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/c.r01"), QStringList({d + "/c.rar", d + "/c.r00", d + "/c.r01"}));
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/d.7z.002"), QStringList({d + "/d.7z.001", d + "/d.7z.002"}));
        // Alone, or no set of two: the file itself.
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/e.rar"), QStringList{d + "/e.rar"});
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/f.part1.rar"), QStringList{d + "/f.part1.rar"});

        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.part1.rar"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("backup.7z.001"), QString("backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("mail.z01"), QString("mail"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("tools.arj"), QString("tools"));
    }

    // Split zips end in the ".zip" that holds the directory; numbered
    // cabinets run from 1. A lone ".zip" or cabinet is no set.
    void zipAndCabinetSets()
    {
        const QString d = m_dir.filePath("zipcab");
        QVERIFY(QDir().mkpath(d));
        for (const char *name : {"m.z01", "m.z02", "m.zip", "n.zip", "o.z01", "P.Z01", "P.ZIP", "disk1.cab", "disk2.cab",
                                 "disk3.cab", "solo1.cab", "x.cab"})
            touch(d + "/" + name);
        const QStringList m{d + "/m.z01", d + "/m.z02", d + "/m.zip"};
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/m.zip"), m);
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/m.z02"), m);
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/P.Z01"), QStringList({d + "/P.Z01", d + "/P.ZIP"}));
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/n.zip"), QStringList{d + "/n.zip"});
        // Without its ".zip" no set can be read.
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/o.z01"), QStringList{d + "/o.z01"});
        const QStringList disks{d + "/disk1.cab", d + "/disk2.cab", d + "/disk3.cab"};
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/disk2.cab"), disks);
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/solo1.cab"), QStringList{d + "/solo1.cab"});
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/x.cab"), QStringList{d + "/x.cab"});
    }

    // A 7z split into byte ranges, handed over by its middle piece.
    void splitSevenZip()
    {
        const QString whole = m_dir.filePath("whole.7z");
        QByteArray big;
        for (int i = 0; i < 40000; ++i)
            big += QByteArray::number(i * 2654435761u);
        QVERIFY(KTTestArchives::write(whole, {KTTestEntry::file("big.txt", big), KTTestEntry::file("small.txt", "s")}, "7zip"));
        QFile f(whole);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const qsizetype third = bytes.size() / 3 + 1;
        for (int i = 0; i < 3; ++i) {
            QFile part(m_dir.filePath(QStringLiteral("split.7z.%1").arg(i + 1, 3, 10, QLatin1Char('0'))));
            QVERIFY(part.open(QIODevice::WriteOnly));
            part.write(bytes.mid(i * third, third));
        }
        const KTJobOutcome out = kt_runJob({m_dir.filePath("split.7z.002"), m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/split");
        QFile result(out.desPath + "/big.txt");
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), big);
        QCOMPARE(out.progress.last(), 1.0f);
    }

    void rarFixtures_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("someFile");
        QTest::newRow("rar4 from part 3") << "test_rar_multivolume_multiple_files.part3.rar"
                                          << "test_rar_multivolume_multiple_files" << "LibarchiveAddingTest2.html";
        QTest::newRow("rar4 uncompressed") << "test_rar_multivolume_uncompressed_files.part10.rar"
                                           << "test_rar_multivolume_uncompressed_files" << "testdir/LibarchiveAddingTest.html";
        QTest::newRow("rar5 solid") << "test_read_format_rar5_multiarchive_solid.part01.rar"
                                    << "test_read_format_rar5_multiarchive_solid" << "cebula.txt";
    }

    void rarFixtures()
    {
        QFETCH(QString, volume);
        QFETCH(QString, created);
        QFETCH(QString, someFile);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        const KTJobOutcome out = kt_runJob({fixtures + "/" + volume, m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/" + created);
        QVERIFY2(kt_snapshot(out.desPath).contains(someFile), qPrintable(kt_snapshot(out.desPath).keys().join(", ")));
    }

private:
    static void touch(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
