#pragma once

#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/sevenzip/KTSevenZipListing.h"

#include <QStringList>

#include <optional>
#include <vector>

class KTSevenZipProcess;

// The unarchiver on 7-Zip's own program (7zz): for the 7z archives that
// libarchive cannot decrypt, and the second reader of whatever libarchive
// cannot open or decode (ARJ, zip methods such as Deflate64 or PPMd, 7z
// filters such as ARM64, split zips, CAB sets).
//
// parse() lists the archive ("7zz l -slt"; with the password first when the
// names are encrypted). unarchive() has 7zz extract into the enclosing
// folder, following its output to call the delegate entry by entry, then
// holds what it wrote to the same rules as KTDiskWriter before anything is
// moved. Entries whose names cannot be written safely are left out of the
// run from the start; otherwise 7zz cannot skip one entry mid-run, so the
// first failing or refused entry ends the run.
class KTSevenZipUnarchiver : public KTUnarchiver
{
public:
    KTSevenZipUnarchiver(QString path, bool headerEncrypted);

    // parse() then has 7zz test the whole archive (with the password set)
    // and fails as the test does.
    void setTestsFirst(bool on) { m_testsFirst = on; }

    KTExtractionError parse() override;
    KTExtractionError unarchive() override;

private:
    struct Entry {
        KTArchiveEntry info;
        QByteArray listed;             // the path as 7zz prints and writes it
        std::optional<QByteArray> rel; // sanitized path below the enclosing folder; nullopt: refused
        QByteArray written;            // where 7zz writes it, when that is not rel
        QString refusal;
        bool reported = false;
        bool isSymlink = false;
        bool linkPending = false;        // made by 7zz at the end of its run
        KTExtractionError linkRefusal;   // why 7zz refused to make the link
    };

    // Asks the delegate once when no password is set; true when one is set.
    bool ensurePassword();
    std::optional<QByteArray> passwordBytes() const;
    bool shouldStop();
    KTExtractionError runListing(const QString &program, QByteArray &output);
    // Runs a 7zz command that only reads ("l -slt", "t"), collecting its output.
    KTExtractionError runReading(const QString &program, const QStringList &command, QByteArray &output);
    KTExtractionError checkEntriesBeforeExtraction(const QByteArray &root);
    KTExtractionError runExtraction(const QByteArray &root);
    // Matches a line of 7zz's log ("- name") to the next entry it names, or -1.
    int entryAnnouncedBy(const QByteArray &line) const;
    // Ends the current entry: did-extract with the result, progress.
    void finishEntry(int index, const KTExtractionError &error);
    // Ends the current entry as extracted; a link's outcome waits for finishLinks().
    void endEntry(int index);
    // Tells the outcome of the links 7zz made (or refused) at the end of its run.
    void finishLinks(const KTExtractionError &runError);
    // The link a line of 7zz's log says it refused to make, or -1.
    int refusedLink(const QByteArray &line) const;
    // Begins an entry: false when the delegate refuses it.
    bool beginEntry(int index);
    void reportProgress(int percent);
    // Moves what 7zz wrote under names it did not decode to their decoded names.
    void renameWrittenEntries(const QByteArray &root);
    // Where 7zz writes an entry below the enclosing folder.
    QByteArray writtenPath(const Entry &entry) const { return entry.written.isEmpty() ? entry.rel.value_or(QByteArray()) : entry.written; }

    QString m_path;
    bool m_headerEncrypted;
    QString m_program;
    bool m_parsed = false;
    bool m_askedForPassword = false;
    QString m_type;         // the format as 7zz names it
    bool m_decrypts = true; // whether 7zz can decrypt that format
    bool m_testsFirst = false;
    std::vector<Entry> m_entries;
    QStringList m_excluded; // 7zz's switches that leave out the entries refused
    qint64 m_totalSize = 0;
    qint64 m_lastTotalDone = 0;
    qint64 m_finishedBytes = 0;
    QString m_root;
    int m_current = -1;
    int m_cursor = 0;
};
