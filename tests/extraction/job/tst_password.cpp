#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::function<std::optional<QString>()> answer(std::optional<QString> text)
{
    return [text] { return text; };
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void zipPasswords_data()
    {
        QTest::addColumn<QByteArray>("encryption");
        QTest::addColumn<std::optional<QString>>("given");
        QTest::addColumn<bool>("succeeds");
        for (const QByteArray &method : {QByteArray("zipcrypt"), QByteArray("aes128"), QByteArray("aes256")}) {
            QTest::addRow("%s right", method.constData()) << method << std::optional<QString>("s3cret pass") << true;
            QTest::addRow("%s wrong", method.constData()) << method << std::optional<QString>("nope") << false;
            QTest::addRow("%s empty", method.constData()) << method << std::optional<QString>("") << false;
            QTest::addRow("%s cancel", method.constData()) << method << std::optional<QString>() << false;
        }
    }

    // The provider is asked once per job; a wrong, empty or withheld password
    // fails with its own cause and leaves no file of wrong content behind.
    void zipPasswords()
    {
        QFETCH(QByteArray, encryption);
        QFETCH(std::optional<QString>, given);
        QFETCH(bool, succeeds);
        const QString archive = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".zip");
        KTTestArchives::Options options;
        options.passphrase = "s3cret pass";
        options.encryption = encryption;
        const QByteArray big = QByteArray("secret data ").repeated(20000);
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("one.txt", big), KTTestEntry::file("two.txt", "2")}, options));

        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(given);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QCOMPARE(out.succeeded, succeeds);
        if (succeeds) {
            QCOMPARE(contentOf(out.desPath + "/one.txt"), big);
            QCOMPARE(contentOf(out.desPath + "/two.txt"), QByteArray("2"));
            return;
        }
        QCOMPARE(out.error.code, KTErrorCode::WrongPassword);
        const auto left = kt_snapshot(m_tmp);
        for (auto it = left.begin(); it != left.end(); ++it)
            QVERIFY2(!it.value().startsWith("f:"), qPrintable("left behind: " + it.key()));
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
        const QString destination = m_dir.filePath("crc-out");
        QVERIFY(QDir().mkpath(destination));
        for (int i = 0; i < 1000; ++i) {
            KTExtractionError error;
            auto unarchiver = KTBackendChooser::unarchiverForPath(archive, &error);
            QVERIFY(unarchiver);
            unarchiver->setPassword(QStringLiteral("wrong%1").arg(i));
            QVERIFY(unarchiver->parse().ok());
            unarchiver->setDestination(destination);
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
        const QString typed = QStringLiteral("Pässwort ü");
        QTest::newRow("aes utf-8") << QByteArray("aes256") << typed.toUtf8() << qint64(4) << true;
        QTest::newRow("zipcrypto cp850") << QByteArray("zipcrypt") << QByteArray("P\x84sswort \x81") << qint64(104) << true;
        QTest::newRow("zipcrypto cp850 typed as utf-8") << QByteArray("zipcrypt") << QByteArray("P\x84sswort \x81") << qint64(4) << false;
        QTest::newRow("detect means utf-8") << QByteArray("zipcrypt") << typed.toUtf8() << qint64(0) << true;
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
        const KTJobOutcome out = kt_runJob(run);
        // ZipCrypto checks one byte of the key: a wrong password may pass that
        // check and then fail on the data, which is still a failure.
        QCOMPARE(out.succeeded, succeeds);
    }

    void fixtures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::newRow("winzip aes128") << "test_read_format_zip_winzip_aes128.zip" << "password" << int(KTErrorCode::None);
        QTest::newRow("winzip aes256 large") << "test_read_format_zip_winzip_aes256_large.zip" << "password" << int(KTErrorCode::None);
        QTest::newRow("traditional") << "test_read_format_zip_traditional_encryption_data.zip" << "12345678" << int(KTErrorCode::None);
        QTest::newRow("traditional wrong") << "test_read_format_zip_traditional_encryption_data.zip" << "1234" << int(KTErrorCode::WrongPassword);
        // Through 7-Zip's program, which scripts/setup installs.
        QTest::newRow("7z aes") << "test_read_format_7zip_encryption.7z" << "12345678" << int(KTErrorCode::None);
        // libarchive 3.6 does not see the encryption of RAR5 data: it fails as damaged.
        QTest::newRow("rar5 encrypted") << "test_read_format_rar5_encrypted.rar" << "password" << int(KTErrorCode::Damaged);
        QTest::newRow("rar5 encrypted names") << "test_read_format_rar5_encrypted_filenames.rar" << "password" << int(KTErrorCode::EncryptedUnsupported);
        QTest::newRow("rar4 encrypted") << "test_read_format_rar4_encrypted.rar" << "password" << int(KTErrorCode::EncryptedUnsupported);
        QTest::newRow("rar4 encrypted names") << "test_read_format_rar4_encrypted_filenames.rar" << "password" << int(KTErrorCode::EncryptedUnsupported);
    }

    void fixtures()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(int, code);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        KTJobRun run(fixtures + "/" + name, m_tmp);
        run.passwordProvider = answer(password);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QVERIFY2(int(out.error.code) == code, qPrintable(out.error.message()));
    }

private:
    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestPassword)
#include "tst_password.moc"
