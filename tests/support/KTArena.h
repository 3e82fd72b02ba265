#pragma once

#include "support/KTTestDirs.h"

#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>

// A folder in which one untrusted archive is extracted: "tmp" (the job's
// temporary directory), "canary" (a folder with one file, which links in
// hostile archives point at) and the archive itself beside them. The checks
// record test failures.
class KTArena
{
public:
    KTArena();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString tmp() const { return m_tmp; }
    QString canary() const { return m_canary; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Records everything in the arena; checkOutsideUntouched() compares with it.
    void snapshot();
    // Outside "tmp" nothing changed, and the canary file gained no link.
    void checkOutsideUntouched() const;

    // Runs the job into tmp and checks what must hold whatever the outcome:
    // it ended in time, nothing outside tmp changed, a success left exactly
    // its result in tmp and a failure at most its scratch folder, and every
    // item there is safe. Returns the outcome; root gets the result, or the
    // scratch folder after a failure (empty when none was made).
    KTJobOutcome run(const QString &archive, QString *root, int timeoutMs = 30000,
                     std::function<std::optional<QString>()> password = {});

    // As run(), for an archive named "hostile.<ext>": after a failure, root
    // is the one folder the scratch folder holds, which must be "hostile".
    KTJobOutcome runHostile(const QString &archive, QString *root);
    // What rel below root is: "->target", "dir", "absent", "=content" or
    // "unreadable".
    static QByteArray describe(const QString &root, const QString &rel);

    // No special files, no set-ID or sticky bits, owner access kept, owned by
    // this user, and every link resolves inside root.
    static void checkSafeTree(const QString &root);

private:
    QTemporaryDir m_dir;
    QString m_tmp;
    QString m_canary;
    QMap<QString, QByteArray> m_before;
};
