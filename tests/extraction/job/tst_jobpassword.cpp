#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTRandomData.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QTest>
#include <QThread>

#include <cstdio>

// The password question of KTExtractionJob, and what its answer does.
class TestJobPassword : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_tmp;

private slots:
    void init() { m_tmp = m_dir.freshFolder(); }

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
            scratchDuringQuestion = kt_scratchFolders(m_tmp);
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
            QVERIFY(kt_scratchFolders(m_tmp).isEmpty());
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
        run.passwordProvider = [] { return std::optional<QString>(QStringLiteral("Pässwort ü")); };
        QCOMPARE(kt_runJob(run).succeeded, succeeds);
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
            entries.push_back(KTTestEntry::file("big" + QByteArray::number(i), KTRandomData::bytes(256 * 1024, quint32(i))));
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
            QCOMPARE(tree.value(QStringLiteral("big7")), "f:-:" + KTRandomData::bytes(256 * 1024, 7));
        }
    }
};

QTEST_GUILESS_MAIN(TestJobPassword)
#include "tst_jobpassword.moc"
