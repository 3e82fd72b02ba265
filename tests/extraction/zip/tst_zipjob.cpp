#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTRandomData.h"
#include "support/KTSerialComparison.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTZipBytes.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

// Zips on several threads through the job: one password question, asked in
// archive order, the outcome of the serial extraction, and cancels that
// leave no thread behind.
namespace {

using Entries = std::vector<KTTestEntry>;

// Workers the job's unarchivers use in this test, whatever the archive's size.
constexpr const char *JobWorkers = "3";

} // namespace

class TestZipJob : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    KTSerialComparison m_serial{m_dir};

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Read once, when the first unarchiver is made: from here on every
        // job in this test extracts zips on several threads.
        qputenv("KT_ZIP_WORKERS", JobWorkers);
    }

    void wrongPasswordFailsAsSerially_data()
    {
        QTest::addColumn<QByteArray>("encryption");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<int>("code");
        for (const QByteArray encryption : {"zipcrypt", "aes256"}) {
            QTest::addRow("%s, wrong", encryption.constData()) << encryption << std::optional<QString>(QStringLiteral("nope")) << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, none", encryption.constData()) << encryption << std::optional<QString>() << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, empty", encryption.constData()) << encryption << std::optional<QString>(QString()) << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, right", encryption.constData()) << encryption << std::optional<QString>(QStringLiteral("pw")) << 0;
        }
    }

    // Through the job, with several workers: one question, and the outcome
    // of the serial extraction.
    void wrongPasswordFailsAsSerially()
    {
        QFETCH(QByteArray, encryption);
        QFETCH(std::optional<QString>, answer);
        QFETCH(int, code);
        Entries entries;
        for (int i = 0; i < 40; ++i)
            entries.push_back(KTTestEntry::file("secret/" + QByteArray::number(i), KTRandomData::text(60000 + i, quint32(i))));
        KTTestArchives::Options options;
        options.passphrase = "pw";
        options.encryption = encryption;
        const QString archive = m_dir.filePath(QStringLiteral("locked-%1.zip").arg(QString::fromLatin1(encryption)));
        if (!QFileInfo::exists(archive))
            QVERIFY(KTTestArchives::write(archive, entries, options));

        KTJobRun run(archive, m_dir.freshFolder());
        run.passwordProvider = [&] { return answer; };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QCOMPARE(int(out.error.code), code);
        if (code == 0) {
            const auto tree = kt_snapshot(out.desPath, false);
            QCOMPARE(tree.size(), 40);
            QCOMPARE(tree.value(QStringLiteral("39")), "f:-:" + KTRandomData::text(60039, 39));
        } else {
            // No file of wrong content is left behind.
            for (const QByteArray &item : kt_snapshot(out.desPath, false))
                QVERIFY(!item.startsWith("f:"));
        }

        KTRecordingDelegate settings;
        settings.password = answer;
        m_serial.compare(archive, settings, true, code);
    }

    // Plain entries first, encrypted ones after: the question comes when the
    // first encrypted entry's turn comes, and not at all when an earlier
    // entry fails, though workers reach encrypted entries long before.
    void passwordAskedInArchiveOrder()
    {
        if (!KTTestArchives::haveProgram(QStringLiteral("zip")))
            QSKIP("zip is not installed");
        const QString source = m_dir.freshFolder(QStringLiteral("mixed-"));
        QDir(source).mkpath(QStringLiteral("plain"));
        QDir(source).mkpath(QStringLiteral("secret"));
        for (int i = 0; i < 30; ++i) {
            for (const char *sub : {"plain", "secret"}) {
                QFile f(source + QStringLiteral("/%1/%2.txt").arg(QLatin1String(sub)).arg(i, 2, 10, QLatin1Char('0')));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(KTRandomData::text(40000, quint32(i)));
            }
        }
        const QString archive = m_dir.filePath(QStringLiteral("mixed.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-qr"), archive, QStringLiteral("plain")}, source));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-qr"), QStringLiteral("-P"), QStringLiteral("pw"),
                                                            archive, QStringLiteral("secret")}, source));
        KTRecordingDelegate settings;
        settings.password = QStringLiteral("pw");
        m_serial.compare(archive, settings, true, 0);

        const QString damaged = m_dir.filePath(QStringLiteral("mixed-damaged.zip"));
        QVERIFY(QFile::copy(archive, damaged));
        QVERIFY(KTZipBytes::damageDataInFile(damaged, "plain/20.txt"));
        m_serial.compare(damaged, settings, true, int(KTErrorCode::Damaged));
        KTRecordingDelegate delegate = settings;
        m_serial.extract(damaged, 3, true, delegate);
        QCOMPARE(delegate.passwordQuestions, 0);
    }

    // Cancel through the job while workers run, and while they wait for the
    // password: it ends as Cancelled, removes the scratch folder, and leaves
    // no thread behind.
    void cancelWhileWorkersRun_data()
    {
        QTest::addColumn<bool>("atPassword");
        QTest::newRow("writing") << false;
        QTest::newRow("waiting for the password") << true;
    }

    void cancelWhileWorkersRun()
    {
        QFETCH(bool, atPassword);
        Entries entries;
        for (int i = 0; i < 32; ++i)
            entries.push_back(KTTestEntry::file("big/" + QByteArray::number(i), KTRandomData::text(2 * 1024 * 1024, quint32(i))));
        KTTestArchives::Options options;
        if (atPassword)
            options.passphrase = "pw";
        const QString archive = m_dir.filePath(QStringLiteral("cancel-%1.zip").arg(atPassword));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        const QString tmp = m_dir.freshFolder();
        const int before = kt_threadCount();
        {
            KTTestJob t(tmp);
            KTExtractionJob &job = t.job;
            job.setPasswordProvider([&] {
                job.cancel();
                return std::optional<QString>(QStringLiteral("pw"));
            });
            QObject receiver;
            KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                              [&](const QVariant &) { job.cancel(); });
            QSignalSpy failed(&job, &KTExtractionJob::passwordErrorH);
            QVERIFY(job.start(archive));
            QVERIFY(failed.wait(60000));
            QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
            QVERIFY(!job.isRunning());
            QCOMPARE(kt_threadCount(), before);
        }
        QVERIFY(QDir(tmp).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestZipJob)
#include "tst_zipjob.moc"
