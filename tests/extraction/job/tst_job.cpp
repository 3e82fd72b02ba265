#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTArena.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// One archive through KTExtractionJob: its worker thread, scratch folder,
// password question, progress, cancel, failures and the move-up; the
// scripted backend where the timing matters, real archives elsewhere.
namespace {

QStringList scratchFolders(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("unarchiver*")}, QDir::Dirs | QDir::Hidden);
}


QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// A tmpfs of a given size mounted for the life of the object; only root
// may mount, so isValid() is false for others.
class SmallDisk
{
public:
    SmallDisk(const QString &where, const QByteArray &options)
        : m_where(QFile::encodeName(where))
    {
        QDir().mkpath(where);
        m_mounted = ::geteuid() == 0 && ::mount("tmpfs", m_where.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    bool isValid() const { return m_mounted; }
    bool makeReadOnly() { return ::mount("tmpfs", m_where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    QByteArray m_where;
    bool m_mounted = false;
};

// Zip entries sharing one local header: the overlapped-entry bomb, written
// by hand with Python.
void writeOverlappingZip(const QString &path, int entries, const QString &layout)
{
    static const char script[] = R"(
import sys, zlib, struct
path, count, layout = sys.argv[1], int(sys.argv[2]), sys.argv[3]
plain = bytes(8 << 20)
co = zlib.compressobj(9, zlib.DEFLATED, -15)
kernel = co.compress(plain) + co.flush()
crc = zlib.crc32(plain)
def local(name):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 8, 0, 0, crc, len(kernel), len(plain), len(name), 0) + name
names = [b'f%04d' % i for i in range(count)]
body = local(names[0]) + kernel
central = b''
for i, name in enumerate(names):
    offset = 0 if layout == 'same' else min(i, 1) * 7
    central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 8, 0, 0, crc, len(kernel), len(plain),
                           len(name), 0, 0, 0, 0, 0, offset) + name
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, count, count, len(central), len(body), 0)
open(path, 'wb').write(body + central + end)
)";
    KTTestArchives::run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(script), path,
                                                    QString::number(entries), layout});
}

std::function<std::optional<QString>()> answer(std::optional<QString> text)
{
    return [text] { return text; };
}

} // namespace

class TestJob : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_tmp;

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    // One top-level item is the created item itself; extracting the same
    // archive again gives a second, unique result and keeps the first.
    void soloItemAndSecondRun()
    {
        const QString archive = m_dir.filePath("solo.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("photo.jpg", "jpeg bytes")}));
        QCOMPARE(kt_runJob({archive, m_tmp}).desPath, m_tmp + "/photo.jpg");
        QCOMPARE(kt_runJob({archive, m_tmp}).desPath, m_tmp + "/photo-2.jpg");
        QCOMPARE(kt_snapshot(m_tmp).keys(), QStringList({"photo-2.jpg", "photo.jpg"}));
        // A solo folder with the enclosing folder's own name.
        const QString folderArchive = m_dir.filePath("photos.tar.gz");
        QVERIFY(KTTestArchives::write(folderArchive, {KTTestEntry::dir("photos"), KTTestEntry::file("photos/x", "x")}, "pax", "gzip"));
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos");
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos-2");
        QVERIFY(scratchFolders(m_tmp).isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("not an archive") << "text" << int(KTErrorCode::NotArchive);
        QTest::newRow("empty file") << "empty" << int(KTErrorCode::NotArchive);
        QTest::newRow("missing file") << "missing" << int(KTErrorCode::CannotOpen);
        QTest::newRow("folder") << "folder" << int(KTErrorCode::NotArchive);
        QTest::newRow("fifo") << "fifo" << int(KTErrorCode::NotArchive);
        QTest::newRow("truncated tar.gz") << "truncated" << int(KTErrorCode::Damaged);
        // An mtree "archive" would copy files of this machine into the result.
        QTest::newRow("mtree") << "mtree" << int(KTErrorCode::NotArchive);
        QTest::newRow("no temporary folder") << "notmp" << int(KTErrorCode::TempDirFailed);
        if (::geteuid() != 0) // root reads every file
            QTest::newRow("unreadable") << "unreadable" << int(KTErrorCode::CannotOpen);
    }

    // Every failure ends in the failure path with its cause; nothing is
    // presented as a result, and a partly written file is removed.
    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        const QString path = m_dir.filePath("bad-" + kind + ".tar.gz");
        if (kind == "text" || kind == "mtree" || kind == "empty")
            QVERIFY(kt_writeFile(path, kind == "text" ? "this is plain text, not an archive\n"
                                       : kind == "mtree" ? "#mtree\n./leak type=file contents=/etc/hostname\n" : ""));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "truncated" || kind == "notmp" || kind == "unreadable") {
            QByteArray big;
            for (int i = 0; i < 200000; ++i)
                big += QByteArray::number(i * 7919);
            QVERIFY(KTTestArchives::write(path, {KTTestEntry::file("big.bin", big)}, "pax", "gzip"));
            QFile f(path);
            QVERIFY(kind != "truncated" || f.resize(f.size() / 2));
            QVERIFY(kind != "unreadable" || f.setPermissions({}));
        }
        const KTJobOutcome out = kt_runJob({path, kind == "notmp" ? m_dir.filePath("does/not/exist") : m_tmp});
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QVERIFY(!out.error.message().isEmpty());
        QCOMPARE(scratchFolders(m_tmp).size(), kind == "truncated" ? 1 : 0);
        if (kind == "truncated")
            QVERIFY(kt_snapshot(m_tmp + "/" + scratchFolders(m_tmp).first()).keys().filter("big.bin").isEmpty());
    }

    // The scratch folder is new, private and named "unarchiver" plus four
    // characters; one job at a time; it is gone once the result is moved up.
    void scratchFolderWhileRunning()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("a", "a")).add(KTScriptedEntry::file("b", "b"));
        const auto gate = script.holdAt(1);
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QSignalSpy done(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("wait.zip")));
        QVERIFY(!t.job.start(m_dir.filePath("other.zip")));
        QVERIFY(gate->waitUntilReached());
        const QString scratch = t.job.desPath();
        QVERIFY2(QFileInfo(scratch).fileName().contains(QRegularExpression("^unarchiver[A-Za-z0-9]{4}$")), qPrintable(scratch));
        QCOMPARE(QFileInfo(scratch).path(), m_tmp);
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(scratch).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0700u);
        QCOMPARE(kt_snapshot(scratch).keys(), QStringList({"wait", "wait/a"}));
        gate->release();
        QVERIFY(done.wait(30000));
        QCOMPARE(done.first().first().toString(), m_tmp + "/wait");
        QVERIFY(!QFileInfo::exists(scratch));
        QCOMPARE(script.log->count("parse"), 1);
    }

    // A cancel while an entry is half written: the entry stops at its next
    // block, the failure path reports Cancelled, and the scratch folder goes
    // with everything in it.
    void cancelMidEntry()
    {
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::filled("big.bin", 1 << 20));
        script.add(KTScriptedEntry::file("after.txt", "after"));
        const auto gate = script.holdAt(1, 4000);
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QSignalSpy failed(&t.job, &KTExtractionJob::passwordErrorH);
        QSignalSpy finished(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("big.zip")));
        QVERIFY(gate->waitUntilReached());
        QCOMPARE(QFileInfo(t.job.desPath() + "/big/big.bin").size(), 4000);
        t.job.cancel();
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
        QVERIFY(finished.isEmpty() && !t.job.isRunning() && !t.job.extractionSucceeded());
        QCOMPARE(kt_snapshot(m_tmp), (QMap<QString, QByteArray>()));
        QCOMPARE(script.log->lines(), QStringList({"parse", "will first.txt", KTScriptLog::did("first.txt"), "will big.bin",
                                                   "held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));
    }

    // Destroying a running job cancels and joins its thread, also while the
    // worker waits for a password question that a nested event loop answers
    // (as a modal dialog does) and the job is destroyed meanwhile.
    void destroyWhileRunning()
    {
        KTUnarchiverScript held;
        held.add(KTScriptedEntry::filled("big.bin", 1 << 20));
        const auto gate = held.holdAt(0, 1000);
        {
            KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(held));
            QVERIFY(t.job.start(m_dir.filePath("held.zip")));
            QVERIFY(gate->waitUntilReached());
        }
        QCOMPARE(held.log->lines().mid(2), QStringList({"held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));

        KTUnarchiverScript locked;
        locked.password = QStringLiteral("pw");
        locked.add(KTScriptedEntry::file("a", "a"));
        locked.entries[0].isEncrypted = true;
        auto *t = new KTTestJob(m_tmp, KTScriptedUnarchiver::factory(locked));
        bool asked = false;
        t->job.setPasswordProvider([&] {
            asked = true;
            QEventLoop modal;
            QTimer::singleShot(0, &modal, [&] {
                delete t;
                t = nullptr;
                modal.quit();
            });
            modal.exec();
            return std::optional<QString>(QStringLiteral("pw"));
        });
        QVERIFY(t->job.start(m_dir.filePath("locked.zip")));
        QTRY_VERIFY_WITH_TIMEOUT(asked && !t, 10000);
        // The question was withdrawn: the entry failed without the late answer.
        QCOMPARE(locked.log->lines().last(), KTScriptLog::did("a", KTErrorCode::WrongPassword));
    }

    void passwords_data()
    {
        QTest::addColumn<bool>("namesEncrypted");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("data right") << false << std::optional<QString>("s3cret") << true;
        QTest::newRow("data wrong") << false << std::optional<QString>("nope") << false;
        QTest::newRow("data cancel") << false << std::optional<QString>() << false;
        QTest::newRow("names right") << true << std::optional<QString>("s3cret") << true;
        QTest::newRow("names empty") << true << std::optional<QString>("") << false;
    }

    // The provider is asked once, on the job's thread, whatever the number of
    // encrypted entries: at the first encrypted entry's data, or while the
    // archive is opened when its names are encrypted (before any scratch
    // folder exists). Anything but the right password fails with
    // WrongPassword at that entry.
    void passwords()
    {
        QFETCH(bool, namesEncrypted);
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, succeeds);
        KTUnarchiverScript script;
        script.password = QStringLiteral("s3cret");
        script.namesEncrypted = namesEncrypted;
        script.add(KTScriptedEntry::file("plain.txt", "plain")).add(KTScriptedEntry::file("one.txt", "secret one"));
        script.add(KTScriptedEntry::file("two.txt", "secret two"));
        script.entries[1].isEncrypted = script.entries[2].isEncrypted = true;
        KTJobRun run(m_dir.filePath("locked.zip"), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        QThread *askedOn = nullptr;
        QStringList scratchDuringQuestion;
        run.passwordProvider = [&] {
            askedOn = QThread::currentThread();
            scratchDuringQuestion = scratchFolders(m_tmp);
            return answer;
        };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QCOMPARE(askedOn, QThread::currentThread());
        QCOMPARE(scratchDuringQuestion.size(), namesEncrypted ? 0 : 1);
        QCOMPARE(script.log->count("password"), 1);
        QCOMPARE(out.succeeded, succeeds);
        if (succeeds) {
            QCOMPARE(kt_snapshot(out.desPath, false),
                     (QMap<QString, QByteArray>{{"one.txt", "f:-:secret one"}, {"plain.txt", "f:-:plain"}, {"two.txt", "f:-:secret two"}}));
            return;
        }
        QCOMPARE(out.error.code, KTErrorCode::WrongPassword);
        if (namesEncrypted) {
            QCOMPARE(script.log->lines(), QStringList({"parse", "password"}));
            QVERIFY(scratchFolders(m_tmp).isEmpty());
        } else {
            QCOMPARE(script.log->lines().mid(1), QStringList({"will plain.txt", KTScriptLog::did("plain.txt"), "will one.txt", "password",
                                                              KTScriptLog::did("one.txt", KTErrorCode::WrongPassword)}));
            // What came before stays in the scratch folder; the failed entry left nothing.
            QCOMPARE(kt_snapshot(out.desPath, false).keys(), QStringList({"locked", "locked/plain.txt"}));
        }
    }

    // ZipCrypto checks a password against one byte, so about one wrong
    // password in 256 gets through to the data, which then fails its CRC:
    // still a wrong password, not a damaged archive.
    void zipCryptoWrongPasswordsThatPassTheCheck()
    {
        const QString archive = m_dir.filePath("crc.zip");
        KTTestArchives::Options options;
        options.passphrase = "right";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.txt", QByteArray("data ").repeated(1000))}, options));
        for (int i = 0; i < 1000; ++i) {
            KTExtractionError error;
            auto unarchiver = KTBackendChooser::unarchiverForPath(archive, &error);
            QVERIFY(unarchiver);
            unarchiver->setPassword(QStringLiteral("wrong%1").arg(i));
            QVERIFY(unarchiver->parse().ok());
            unarchiver->setDestination(m_tmp);
            QCOMPARE(unarchiver->unarchive().code, KTErrorCode::WrongPassword);
        }
    }

    // A password typed with non-ASCII letters reaches AES (UTF-8) intact, and
    // reaches ZipCrypto as the bytes of the chosen name encoding.
    void passwordEncoding_data()
    {
        QTest::addColumn<QByteArray>("encryption");
        QTest::addColumn<QByteArray>("storedPassword");
        QTest::addColumn<qint64>("filenameEncoding");
        QTest::addColumn<bool>("succeeds");
        const QByteArray typed = QStringLiteral("Pässwort ü").toUtf8(), cp850 = "P\x84sswort \x81";
        QTest::newRow("aes utf-8") << QByteArray("aes256") << typed << qint64(4) << true;
        QTest::newRow("zipcrypto cp850") << QByteArray("zipcrypt") << cp850 << qint64(104) << true;
        QTest::newRow("zipcrypto cp850 typed as utf-8") << QByteArray("zipcrypt") << cp850 << qint64(4) << false;
        QTest::newRow("detect means utf-8") << QByteArray("zipcrypt") << typed << qint64(0) << true;
    }

    void passwordEncoding()
    {
        QFETCH(QByteArray, encryption);
        QFETCH(QByteArray, storedPassword);
        QFETCH(qint64, filenameEncoding);
        QFETCH(bool, succeeds);
        const QString archive = m_tmp + QStringLiteral(".zip");
        KTTestArchives::Options options;
        options.passphrase = storedPassword;
        options.encryption = encryption;
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.txt", QByteArray("x").repeated(5000))}, options));
        auto prefs = kt_testPreferences(filenameEncoding);
        KTJobRun run(archive, m_tmp);
        run.preferences = prefs.get();
        run.passwordProvider = answer(QStringLiteral("Pässwort ü"));
        QCOMPARE(kt_runJob(run).succeeded, succeeds);
    }

    // "fileprogress" follows the bytes written: the first block's fraction
    // is posted at once, nothing runs ahead of what is on disk, the values
    // never go back, and the last is 1.
    void progressFollowsTheData()
    {
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::filled("a.bin", 10000)).add(KTScriptedEntry::folder("docs"));
        script.add(KTScriptedEntry::filled("docs/b.bin", 30000));
        const auto gate = script.holdAt(2, 15000);
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QList<float> progress;
        QObject receiver;
        KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                          [&](const QVariant &v) { progress.append(v.toFloat()); });
        QSignalSpy done(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("progress.zip")));
        QVERIFY(gate->waitUntilReached());
        QTRY_VERIFY(!progress.isEmpty());
        QCOMPARE(progress.first(), 1000.0f / 40000.0f);
        for (float value : progress)
            QVERIFY2(value <= 25000.0f / 40000.0f, qPrintable(QString::number(value)));
        gate->release();
        QVERIFY(done.wait(30000));
        QCoreApplication::processEvents();
        QCOMPARE(progress.last(), 1.0f);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    }

    // Thousands of entries do not flood the main thread: about 30 posts a
    // second, and the last value always arrives.
    void progressIsCoalesced()
    {
        const QString archive = m_dir.filePath("many.zip");
        std::vector<KTTestEntry> entries;
        for (int i = 0; i < 20000; ++i)
            entries.push_back(KTTestEntry::file("f/" + QByteArray::number(i), QByteArray::number(i)));
        QVERIFY(KTTestArchives::write(archive, entries));
        QElapsedTimer timer;
        timer.start();
        const KTJobOutcome out = kt_runJob({archive, m_tmp});
        const qint64 ms = timer.elapsed();
        QVERIFY(out.succeeded);
        QCOMPARE(out.progress.last(), 1.0f);
        QVERIFY2(out.progress.size() <= ms * 30 / 1000 + 5, qPrintable(QStringLiteral("%1 posts in %2 ms").arg(out.progress.size()).arg(ms)));
    }

    void uniquePathRule()
    {
        const QString base = m_dir.freshFolder(QStringLiteral("uniq-"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a.tar");
        QVERIFY(kt_writeFile(base + "/a.tar", "x") && kt_writeFile(base + "/a-2.tar", "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a-3.tar");
        QVERIFY(QDir().mkpath(base + "/v1.2"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/v1.2"), base + "/v1.2-2");
        QVERIFY(QFile::link("nowhere", base + "/dangling"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/dangling"), base + "/dangling-2");
        // A name of the longest length makes room for its number; a NUL
        // (which the system would cut the name at) cannot loop forever.
        const QString longest = QString(125, QChar(u'é')) + "x.tar"; // 255 bytes
        QVERIFY(kt_writeFile(base + "/" + longest, "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/" + longest), base + "/" + QString(124, QChar(u'é')) + "-2.tar");
        QVERIFY(kt_writeFile(base + "/nul", "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/nul" + QChar(0) + "x"), base + "/nul_x");
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.tar.gz"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("notes.txt.gz"), QString("notes.txt"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("Backup.ZIP"), QString("Backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions(".zip"), QString(".zip"));
        // Volumes of a set are named after the set.
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.part1.rar"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("backup.7z.001"), QString("backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("mail.z01"), QString("mail"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("tools.arj"), QString("tools"));
    }

    void diskFull_data()
    {
        QTest::addColumn<QString>("kind");
        // The zip declares its size: refused before anything is written.
        QTest::newRow("zip declares too much") << QStringLiteral("zip");
        // tar.gz declares nothing: writing stops at the first failed write.
        QTest::newRow("tar.gz fills the disk") << QStringLiteral("tar.gz");
        // Declared small, expands large: writing stops all the same.
        QTest::newRow("zip lies about its size") << QStringLiteral("lying.zip");
    }

    // A high-ratio entry expands past the free space of a 4 MB disk.
    void diskFull()
    {
        QFETCH(QString, kind);
        KTArena arena;
        SmallDisk disk(arena.tmp(), "size=4m,mode=0700");
        if (!disk.isValid())
            QSKIP("mounting a small tmpfs needs root; kt-extract's test covers a full disk through RLIMIT_FSIZE");
        const QByteArray zeros(48 << 20, '\0');
        const bool tar = kind == QLatin1String("tar.gz");
        const QString archive = arena.filePath(QStringLiteral("bomb.") + (tar ? kind : QStringLiteral("zip")));
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("first.txt", "first"), KTTestEntry::file("bomb.bin", zeros),
                                                KTTestEntry::file("after.txt", "after")},
                                      tar ? "pax" : "zip", tar ? "gzip" : QByteArray()));
        if (kind == QLatin1String("lying.zip")) {
            // Every size field that says 48 MB says 1000 bytes instead.
            QByteArray bytes = kt_readFile(archive), real(4, '\0'), fake(4, '\0');
            qToLittleEndian<quint32>(quint32(zeros.size()), real.data());
            qToLittleEndian<quint32>(1000u, fake.data());
            QVERIFY(bytes.count(real) >= 1);
            QVERIFY(kt_writeFile(archive, bytes.replace(real, fake)));
        }
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        if (kind == QLatin1String("lying.zip"))
            QVERIFY2(out.error.code == KTErrorCode::NoSpace || out.error.code == KTErrorCode::Damaged, qPrintable(out.error.message()));
        else
            QCOMPARE(out.error.code, KTErrorCode::NoSpace);
        // Nothing after the failing entry, and the failing entry removed.
        QVERIFY(!root.isEmpty());
        const auto tree = kt_snapshot(root, false);
        for (const QString &path : tree.keys())
            QVERIFY2(!path.endsWith(QLatin1String("bomb.bin")) && !path.endsWith(QLatin1String("after.txt")), qPrintable(path));
        if (kind == QLatin1String("zip"))
            QVERIFY2(tree.isEmpty(), "the declared size was not checked first");
        qint64 used = 0;
        for (const QByteArray &v : kt_snapshot(arena.tmp(), false))
            used += v.size();
        QVERIFY(used < 1024);
    }

    void overlappingZipEntries_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("one local header for all") << QStringLiteral("same");
        QTest::newRow("headers inside the data") << QStringLiteral("inside");
    }

    // 400 entries of 8 MB each from one 8 KB deflate stream: refused before
    // anything is written, whatever the free space.
    void overlappingZipEntries()
    {
        QFETCH(QString, layout);
        if (!KTTestArchives::haveProgram(QStringLiteral("python3")))
            QSKIP("python3 is not installed");
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("overlap.zip"));
        writeOverlappingZip(archive, 400, layout);
        QVERIFY(QFileInfo(archive).size() < 100000);
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::UnsafeEntry);
        QVERIFY2(out.error.message().contains(QLatin1String("overlap")), qPrintable(out.error.message()));
        QVERIFY(kt_snapshot(arena.tmp()).isEmpty());
    }

    void archiveChangesWhileExtracting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code");
        // The open file keeps its data: the job finishes with the original.
        QTest::newRow("deleted") << QStringLiteral("deleted") << 0;
        QTest::newRow("replaced") << QStringLiteral("replaced") << 0;
        QTest::newRow("truncated") << QStringLiteral("truncated") << int(KTErrorCode::Damaged);
    }

    // The archive changes while the job waits for the password, which it
    // asks for at the first encrypted entry's data.
    void archiveChangesWhileExtracting()
    {
        QFETCH(QString, how);
        QFETCH(int, code);
        const QString archive = m_dir.filePath(QStringLiteral("changing.zip")), other = m_dir.filePath(QStringLiteral("other.zip"));
        KTTestArchives::Options options;
        options.passphrase = "pw";
        std::vector<KTTestEntry> entries{KTTestEntry::file("a.txt", "first")};
        for (int i = 0; i < 8; ++i)
            entries.push_back(KTTestEntry::file("big" + QByteArray::number(i), randomBytes(256 * 1024, quint32(i))));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        QVERIFY(KTTestArchives::write(other, {KTTestEntry::file("x", "replacement")}, options));
        KTJobRun run(archive, m_tmp);
        run.passwordProvider = [&] {
            if (how == QLatin1String("deleted"))
                QFile::remove(archive);
            else if (how == QLatin1String("truncated"))
                QFile(archive).resize(QFileInfo(archive).size() / 3);
            else
                ::rename(QFile::encodeName(other).constData(), QFile::encodeName(archive).constData());
            return std::optional<QString>(QStringLiteral("pw"));
        };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QVERIFY2(int(out.error.code) == code, qPrintable(out.error.message()));
        if (code == 0) {
            const auto tree = kt_snapshot(out.desPath, false);
            QCOMPARE(tree.size(), 9);
            QCOMPARE(tree.value(QStringLiteral("big7")), "f:-:" + randomBytes(256 * 1024, 7));
        }
    }

    // An archive on a read-only file system extracts, and stays as it was.
    void archiveOnReadOnlyFileSystem()
    {
        KTArena arena;
        const QString folder = arena.filePath(QStringLiteral("media"));
        SmallDisk media(folder, "size=1m");
        if (!media.isValid())
            QSKIP("mounting a read-only tmpfs needs root");
        const QString photos = folder + QStringLiteral("/photos.tar.gz");
        QVERIFY(KTTestArchives::write(photos, {KTTestEntry::file("a.jpg", "a"), KTTestEntry::file("b.jpg", "b")}, "pax", "gzip"));
        QVERIFY(media.makeReadOnly());
        arena.snapshot();
        QString root;
        const KTJobOutcome fromMedia = arena.run(photos, &root);
        QVERIFY2(fromMedia.succeeded, qPrintable(fromMedia.error.message()));
        QCOMPARE(QFileInfo(root).fileName(), QStringLiteral("photos"));
    }

    void destinationExists_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::addColumn<bool>("solo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder name is a folder") << QStringLiteral("set/") << false << QStringLiteral("set-2");
        QTest::newRow("folder name is a link") << QStringLiteral("set@") << false << QStringLiteral("set-2");
        QTest::newRow("solo file name is a file") << QStringLiteral("notes.txt") << true << QStringLiteral("notes-2.txt");
        QTest::newRow("solo file name is a link") << QStringLiteral("notes.txt@") << true << QStringLiteral("notes-2.txt");
    }

    // What the user has under the result's name stays as it was; the result
    // gets a free name beside it.
    void destinationExists()
    {
        QFETCH(QString, taken);
        QFETCH(bool, solo);
        QFETCH(QString, expected);
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("set.zip"));
        std::vector<KTTestEntry> entries{KTTestEntry::file("notes.txt", "from the archive")};
        if (!solo)
            entries.push_back(KTTestEntry::file("other.txt", "other"));
        QVERIFY(KTTestArchives::write(archive, entries));
        const QString users = arena.tmp() + QLatin1Char('/') + taken.chopped(taken.endsWith('/') || taken.endsWith('@') ? 1 : 0);
        if (taken.endsWith(QLatin1Char('/')))
            QVERIFY(kt_writeFile(users + QStringLiteral("/notes.txt"), "mine"));
        else if (taken.endsWith(QLatin1Char('@')))
            QVERIFY(QFile::link(arena.canary() + QStringLiteral("/file"), users));
        else
            QVERIFY(kt_writeFile(users, "mine"));
        const auto before = kt_snapshot(arena.path());
        const KTJobOutcome out = kt_runJob({archive, arena.tmp()});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, arena.tmp() + QLatin1Char('/') + expected);
        auto after = kt_snapshot(arena.path());
        after.removeIf([&](QMap<QString, QByteArray>::iterator it) { return it.key().startsWith(QStringLiteral("tmp/") + expected); });
        QCOMPARE(after, before);
    }

    void failureAtEntry_data()
    {
        QTest::addColumn<int>("index"); // -1: the archive cannot be opened
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("afterBytes");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("left"); // in the scratch folder
        const QStringList toB{"parse", "will a.txt", KTScriptLog::did("a.txt"), "will docs", KTScriptLog::did("docs"),
                              "will docs/b.bin"};
        QTest::newRow("cannot open") << -1 << int(KTErrorCode::Damaged) << qint64(0) << false << QStringList{"parse"}
                                     << QStringList();
        QTest::newRow("first entry not written") << 0 << int(KTErrorCode::WriteFailed) << qint64(0) << false
                                                 << QStringList{"parse", "will a.txt", KTScriptLog::did("a.txt", KTErrorCode::WriteFailed)}
                                                 << QStringList{"set"};
        QTest::newRow("disk full in the third entry") << 2 << int(KTErrorCode::NoSpace) << qint64(3000) << false
                                                      << toB + QStringList{KTScriptLog::did("docs/b.bin", KTErrorCode::NoSpace)}
                                                      << QStringList{"set", "set/a.txt", "set/docs"};
        // A backend that reports a bad entry and reads on: the job refuses
        // every later entry and still fails with the first cause.
        QTest::newRow("backend goes on") << 2 << int(KTErrorCode::Damaged) << qint64(100) << true
                                         << toB + QStringList{KTScriptLog::did("docs/b.bin", KTErrorCode::Damaged), "refused c.txt"}
                                         << QStringList{"set", "set/a.txt", "set/docs"};
    }

    // The first failing entry ends the job with its cause: the entries before
    // it were extracted and reported, none after it; what it wrote is gone,
    // and the scratch folder keeps the rest.
    void failureAtEntry()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QFETCH(qint64, afterBytes);
        QFETCH(bool, goesOn);
        QFETCH(QStringList, log);
        QFETCH(QStringList, left);
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.goesOnAfterFailure = goesOn;
        script.add(KTScriptedEntry::filled(QStringLiteral("a.txt"), 1000)).add(KTScriptedEntry::folder(QStringLiteral("docs")));
        script.add(KTScriptedEntry::filled(QStringLiteral("docs/b.bin"), 10000)).add(KTScriptedEntry::file(QStringLiteral("c.txt"), "c"));
        if (index < 0)
            script.parseFailure = KTErrorCode(code);
        else
            script.failAt(index, KTErrorCode(code), afterBytes);
        KTJobRun run(m_dir.filePath(QStringLiteral("set.zip")), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QCOMPARE(script.log->lines(), log);
        if (left.isEmpty()) {
            QVERIFY(out.desPath.isEmpty());
            QVERIFY(QDir(m_tmp).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        } else {
            QCOMPARE(QFileInfo(out.desPath).path(), m_tmp);
            QCOMPARE(kt_snapshot(out.desPath).keys(), left);
        }
    }

    // An entry that cannot be written safely is left out and named; the job
    // goes on with the rest, and a later real failure still fails it,
    // keeping what was read before the damage.
    void unsafeEntryIsSkipped()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::filled(QStringLiteral("a.txt"), 1000)).add(KTScriptedEntry::file(QStringLiteral("b.txt"), "b"));
        script.add(KTScriptedEntry::file(QStringLiteral("c.txt"), "c")).add(KTScriptedEntry::file(QStringLiteral("d.txt"), "d"));
        script.failAt(1, KTErrorCode::UnsafeEntry).failAt(3, KTErrorCode::Damaged);
        KTJobRun run(m_dir.filePath(QStringLiteral("set.zip")), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(out.skipped.size(), 1);
        QCOMPARE(out.skipped.entries().front().name, QStringLiteral("b.txt"));
        QCOMPARE(out.skipped.entries().front().reason.code, KTErrorCode::UnsafeEntry);
        QCOMPARE(out.error.code, KTErrorCode::Damaged);
        QCOMPARE(out.partialResult, out.desPath + QStringLiteral("/set"));
        QCOMPARE(kt_snapshot(out.partialResult).keys(), (QStringList{"a.txt", "c.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestJob)
#include "tst_job.moc"
