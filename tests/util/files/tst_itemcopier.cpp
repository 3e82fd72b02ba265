#include "support/KTTestDirs.h"
#include "util/files/KTItemCopier.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

namespace {

// Nothing but the expected names in the folder: no scratch left behind.
QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

// Copies made for "Save a Copy": whole, or not at all, and never at the
// expense of what was there.
class TestItemCopier : public QObject
{
    Q_OBJECT

private slots:
    // A folder with everything below it, links as links; a file; the
    // source untouched.
    void copiesFoldersAndFiles()
    {
        const QString base = m_dir.freshFolder();
        const QString source = base + "/src/Photos";
        QVERIFY(kt_writeFile(source + "/a.txt", "alpha"));
        QVERIFY(kt_writeFile(source + "/deep/er/b.bin", QByteArray(300000, 'b')));
        QVERIFY(QDir().mkpath(source + "/empty"));
        QVERIFY(QFile::link("a.txt", source + "/link"));
        const auto before = kt_snapshot(source);

        const QString out = base + "/out";
        QVERIFY(QDir().mkpath(out));
        QVERIFY(KTItemCopier::copyItem(source, out + "/Photos copy", false).ok());
        QCOMPARE(kt_snapshot(out + "/Photos copy"), before);
        QCOMPARE(kt_snapshot(source), before);
        QVERIFY(KTItemCopier::copyItem(source + "/a.txt", out + "/a.txt", false).ok());
        QCOMPARE(kt_readFile(out + "/a.txt"), QByteArray("alpha"));
        QCOMPARE(namesIn(out), (QStringList{"Photos copy", "a.txt"}));
    }

    // An existing target is replaced only when asked; the replacement
    // takes the old item's place, file over file and folder over folder.
    void replacesOnlyWhenAsked()
    {
        const QString base = m_dir.freshFolder();
        QVERIFY(kt_writeFile(base + "/new.txt", "new"));
        QVERIFY(kt_writeFile(base + "/out/keep.txt", "old"));
        const KTFileOperationError refused = KTItemCopier::copyItem(base + "/new.txt", base + "/out/keep.txt", false);
        QCOMPARE(refused.cause, KTFileOperationError::Cause::System);
        QCOMPARE(refused.errorNumber, EEXIST);
        QCOMPARE(kt_readFile(base + "/out/keep.txt"), QByteArray("old"));

        QVERIFY(KTItemCopier::copyItem(base + "/new.txt", base + "/out/keep.txt", true).ok());
        QCOMPARE(kt_readFile(base + "/out/keep.txt"), QByteArray("new"));

        QVERIFY(kt_writeFile(base + "/folder/inner.txt", "inner"));
        QVERIFY(kt_writeFile(base + "/out/folder/stale.txt", "stale"));
        QVERIFY(KTItemCopier::copyItem(base + "/folder", base + "/out/folder", true).ok());
        QCOMPARE(namesIn(base + "/out/folder"), QStringList{"inner.txt"});
        QCOMPARE(namesIn(base + "/out"), (QStringList{"folder", "keep.txt"}));
    }

    // A copy that fails half-way (a FIFO cannot be copied; a source gone)
    // leaves the old item as it was and nothing else behind.
    void failedCopyKeepsOldItem()
    {
        const QString base = m_dir.freshFolder();
        QVERIFY(kt_writeFile(base + "/src/one.txt", "one"));
        QCOMPARE(::mkfifo(QFile::encodeName(base + "/src/pipe").constData(), 0600), 0);
        QVERIFY(kt_writeFile(base + "/out/src/precious.txt", "precious"));
        const KTFileOperationError failed = KTItemCopier::copyItem(base + "/src", base + "/out/src", true);
        QVERIFY(!failed.ok());
        QCOMPARE(kt_readFile(base + "/out/src/precious.txt"), QByteArray("precious"));
        QCOMPARE(namesIn(base + "/out"), QStringList{"src"});
        QCOMPARE(namesIn(base + "/out/src"), QStringList{"precious.txt"});

        const KTFileOperationError missing = KTItemCopier::copyItem(base + "/gone.txt", base + "/out/src", true);
        QCOMPARE(missing.errorNumber, ENOENT);
        QCOMPARE(missing.path, base + "/gone.txt");
        QCOMPARE(namesIn(base + "/out/src"), QStringList{"precious.txt"});

        // An unwritable place: the cause names the folder.
        const KTFileOperationError nowhere = KTItemCopier::copyItem(base + "/src/one.txt", base + "/no/such/x.txt", false);
        QCOMPARE(nowhere.errorNumber, ENOENT);
        QCOMPARE(nowhere.path, base + "/no/such");
    }

    // Into itself, onto itself, or over a folder that holds the source:
    // refused before anything is written.
    void refusesCopiesIntoOrOverTheSource()
    {
        const QString base = m_dir.freshFolder();
        QVERIFY(kt_writeFile(base + "/dest/sub/file.txt", "x"));
        const auto before = kt_snapshot(base);
        for (const auto &[source, target] : {std::pair{base + "/dest", base + "/dest/sub/copy"},
                                             std::pair{base + "/dest", base + "/dest"},
                                             std::pair{base + "/dest/sub/file.txt", base + "/dest/sub"},
                                             std::pair{base + "/dest/sub", base + "/dest/../dest"}}) {
            const KTFileOperationError error = KTItemCopier::copyItem(source, target, true);
            QCOMPARE(error.cause, KTFileOperationError::Cause::IntoItself);
        }
        QCOMPARE(kt_snapshot(base), before);
    }

private:
    KTTestFolder m_dir;
};

QTEST_MAIN(TestItemCopier)
#include "tst_itemcopier.moc"
