#pragma once

#include "browser/tree/KTFileItem.h"
#include "browser/tree/KTTreeBuildProgress.h"
#include "browser/tree/KTTreeNode.h"
#include "extraction/engine/KTSkippedEntries.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

// What both screens agree on about the current archive: the archives handed
// in, the destination the extraction produced, and the tree of what lies
// there. One instance per process (shareInstance()).
//
// The extraction side sets fileArray and desPath, then reads fileData() on a
// background thread, which walks the destination once; the result screen
// reads treeNode() after that read has returned. Fields are guarded by a
// mutex that is never held during the walk, so the GUI thread never waits on it.
class KTFileDataCollection
{
public:
    KTFileDataCollection() = default;
    KTFileDataCollection(const KTFileDataCollection &) = delete;
    KTFileDataCollection &operator=(const KTFileDataCollection &) = delete;

    static KTFileDataCollection &shareInstance();

    // The light record of the destination; builds the tree on the first read
    // after a reset, returns the same record afterwards. Also sets tmpFileData.
    std::shared_ptr<KTFileItem> fileData();
    // The record the last read of fileData() returned; null when none was
    // read since the last reset.
    std::shared_ptr<KTFileItem> tmpFileData() const;

    QStringList fileArray() const;
    void setFileArray(const QStringList &paths);
    QString desPath() const;
    void setDesPath(const QString &path);
    // The entries the extraction left out as unsafe.
    KTSkippedEntries skippedEntries() const;
    void setSkippedEntries(const KTSkippedEntries &skipped);
    // Whether desPath holds only what was read of a damaged archive.
    bool isIncomplete() const;
    void setIncomplete(bool incomplete);
    // The root of the tree; null before a build and after startOver(). Holders
    // keep it alive past a reset.
    std::shared_ptr<const KTTreeNode> treeNode() const;

    // What the job learnt about the names: UTF-8 was chosen and some were
    // not valid UTF-8.
    bool namesNotUtf8() const;
    void setNamesNotUtf8(bool notUtf8);
    // Why reading the names again failed, when the result shown is the one
    // that attempt would have replaced; empty otherwise.
    QString rereadFailure() const;
    void setRereadFailure(const QString &cause);

    // Empties everything held; deletes nothing on disk.
    void startOver();

    // The builder's own steps: builds the tree below desPath and returns the
    // destination's light record; posts the progress band.
    std::shared_ptr<KTFileItem> obtainData();
    // The tree below path, without progress or sizes of the whole.
    static std::unique_ptr<KTTreeNode> generateTreeFromPath(const QString &path);

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<KTFileItem> m_fileData;
    std::shared_ptr<KTFileItem> m_tmpFileData;
    QStringList m_fileArray;
    QString m_desPath;
    KTSkippedEntries m_skipped;
    bool m_incomplete = false;
    bool m_namesNotUtf8 = false;
    QString m_rereadFailure;
    std::shared_ptr<const KTTreeNode> m_treeNode;
    KTTreeBuildProgress m_progress;
};
