#include "support/KTArena.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

KTArena::KTArena()
{
    m_tmp = m_dir.filePath(QStringLiteral("tmp"));
    m_canary = m_dir.filePath(QStringLiteral("canary"));
    QDir().mkpath(m_tmp);
    QDir().mkpath(m_canary);
    QFile f(m_canary + QStringLiteral("/file"));
    if (f.open(QIODevice::WriteOnly))
        f.write("canary");
}

void KTArena::snapshot()
{
    m_before = kt_snapshot(m_dir.path());
}

void KTArena::checkOutsideUntouched() const
{
    QMap<QString, QByteArray> after = kt_snapshot(m_dir.path());
    for (auto it = after.begin(); it != after.end();) {
        if (it.key().startsWith(QLatin1String("tmp/")))
            it = after.erase(it);
        else
            ++it;
    }
    QCOMPARE(after, m_before);
    struct stat st;
    QCOMPARE(::lstat(QFile::encodeName(m_canary + QStringLiteral("/file")).constData(), &st), 0);
    QCOMPARE(st.st_nlink, nlink_t(1));
}

void KTArena::checkSafeTree(const QString &root)
{
    const QByteArray canonicalRoot = QFile::encodeName(QFileInfo(root).canonicalFilePath());
    struct stat rootStat;
    QVERIFY(::lstat(QFile::encodeName(root).constData(), &rootStat) == 0);
    QVERIFY2(S_ISREG(rootStat.st_mode) || S_ISDIR(rootStat.st_mode), qPrintable(root));
    QVERIFY2(rootStat.st_uid == ::geteuid() && (rootStat.st_mode & 07000) == 0, qPrintable(root));
    const QMap<QString, QByteArray> tree = kt_snapshot(root);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        const QString path = root + QLatin1Char('/') + it.key();
        const QByteArray encoded = QFile::encodeName(path);
        struct stat st;
        QVERIFY2(::lstat(encoded.constData(), &st) == 0, encoded.constData());
        QVERIFY2(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode), encoded.constData());
        QVERIFY2(st.st_uid == ::geteuid(), encoded.constData());
        if (S_ISLNK(st.st_mode)) {
            char resolved[PATH_MAX];
            QByteArray target;
            if (::realpath(encoded.constData(), resolved))
                target = resolved;
            else // dangling: judged by where it points as written
                target = QFile::encodeName(QFileInfo(path).symLinkTarget());
            QVERIFY2(target == canonicalRoot || target.startsWith(canonicalRoot + '/'),
                     (encoded + " -> " + target).constData());
            continue;
        }
        QVERIFY2((st.st_mode & 07000) == 0, encoded.constData());
        const mode_t owner = S_ISDIR(st.st_mode) ? 0700 : 0600;
        QVERIFY2((st.st_mode & owner) == owner, encoded.constData());
    }
}

KTJobOutcome KTArena::run(const QString &archive, QString *root, int timeoutMs,
                          std::function<std::optional<QString>()> password)
{
    KTJobRun jobRun(archive, m_tmp);
    jobRun.timeoutMs = timeoutMs;
    jobRun.passwordProvider = std::move(password);
    const KTJobOutcome outcome = kt_runJob(jobRun);
    root->clear();
    [&] {
        QVERIFY2(outcome.finished, qPrintable(QStringLiteral("the job did not end within %1 ms").arg(timeoutMs)));
        checkOutsideUntouched();
        if (QTest::currentTestFailed())
            return;
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        const QStringList items = QDir(m_tmp).entryList(all);
        if (outcome.succeeded) {
            // The result alone, beside where the scratch folder was.
            QCOMPARE(items, QStringList{QFileInfo(outcome.desPath).fileName()});
            QCOMPARE(QFileInfo(outcome.desPath).path(), m_tmp);
        } else {
            // A failure never presents anything as a result.
            QVERIFY2(!outcome.error.message().isEmpty(), "a failure without a cause");
            QVERIFY2(items.size() <= 1, qPrintable(items.join(QLatin1Char(' '))));
            if (items.isEmpty())
                return;
            QVERIFY2(items.first().startsWith(QLatin1String("unarchiver")), qPrintable(items.first()));
            QCOMPARE(outcome.desPath, m_tmp + QLatin1Char('/') + items.first());
        }
        *root = outcome.desPath;
        checkSafeTree(*root);
    }();
    return outcome;
}

KTJobOutcome KTArena::runHostile(const QString &archive, QString *root)
{
    const KTJobOutcome outcome = run(archive, root);
    if (QTest::currentTestFailed() || outcome.succeeded)
        return outcome;
    [&] {
        QVERIFY(!root->isEmpty());
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(QDir(*root).entryList(all), QStringList{QStringLiteral("hostile")});
        *root += QStringLiteral("/hostile");
    }();
    return outcome;
}

QByteArray KTArena::describe(const QString &root, const QString &rel)
{
    const QString path = root + QLatin1Char('/') + rel;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
        return "->" + QByteArray(target, n > 0 ? int(n) : 0);
    }
    if (info.isDir())
        return "dir";
    if (!info.exists())
        return "absent";
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? "=" + f.readAll() : "unreadable";
}
