#include "browser/tree/KTFileDataCollection.h"

#include "browser/tree/KTTreeBuilder.h"

KTFileDataCollection &KTFileDataCollection::shareInstance()
{
    static KTFileDataCollection instance;
    return instance;
}

std::shared_ptr<KTFileItem> KTFileDataCollection::fileData()
{
    std::shared_ptr<KTFileItem> data;
    {
        std::lock_guard lock(m_mutex);
        data = m_fileData;
    }
    if (!data) {
        data = obtainData();
        std::lock_guard lock(m_mutex);
        m_fileData = data;
    }
    std::lock_guard lock(m_mutex);
    m_tmpFileData = data;
    return data;
}

std::shared_ptr<KTFileItem> KTFileDataCollection::obtainData()
{
    m_progress.start();
    const QString path = desPath();
    KTTreeBuilder::Result built = KTTreeBuilder(&m_progress).build(path);
    auto record = std::make_shared<KTFileItem>();
    record->initFileDataFromPathAndSize(path, built.size);
    {
        std::lock_guard lock(m_mutex);
        m_treeNode = std::move(built.root);
    }
    m_progress.finish();
    return record;
}

std::unique_ptr<KTTreeNode> KTFileDataCollection::generateTreeFromPath(const QString &path)
{
    return KTTreeBuilder().build(path).root;
}

std::shared_ptr<KTFileItem> KTFileDataCollection::tmpFileData() const
{
    std::lock_guard lock(m_mutex);
    return m_tmpFileData;
}

QStringList KTFileDataCollection::fileArray() const
{
    std::lock_guard lock(m_mutex);
    return m_fileArray;
}

void KTFileDataCollection::setFileArray(const QStringList &paths)
{
    std::lock_guard lock(m_mutex);
    m_fileArray = paths;
}

QString KTFileDataCollection::desPath() const
{
    std::lock_guard lock(m_mutex);
    return m_desPath;
}

void KTFileDataCollection::setDesPath(const QString &path)
{
    std::lock_guard lock(m_mutex);
    m_desPath = path;
}

bool KTFileDataCollection::namesNotUtf8() const
{
    std::lock_guard lock(m_mutex);
    return m_namesNotUtf8;
}

void KTFileDataCollection::setNamesNotUtf8(bool notUtf8)
{
    std::lock_guard lock(m_mutex);
    m_namesNotUtf8 = notUtf8;
}

QString KTFileDataCollection::rereadFailure() const
{
    std::lock_guard lock(m_mutex);
    return m_rereadFailure;
}

void KTFileDataCollection::setRereadFailure(const QString &cause)
{
    std::lock_guard lock(m_mutex);
    m_rereadFailure = cause;
}

std::shared_ptr<const KTTreeNode> KTFileDataCollection::treeNode() const
{
    std::lock_guard lock(m_mutex);
    return m_treeNode;
}

void KTFileDataCollection::startOver()
{
    std::shared_ptr<const KTTreeNode> released;
    std::lock_guard lock(m_mutex);
    m_fileData.reset();
    m_tmpFileData.reset();
    m_fileArray.clear();
    m_desPath.clear();
    m_skipped = {};
    m_incomplete = false;
    m_namesNotUtf8 = false;
    m_rereadFailure.clear();
    released.swap(m_treeNode);
}

KTSkippedEntries KTFileDataCollection::skippedEntries() const
{
    std::lock_guard lock(m_mutex);
    return m_skipped;
}

void KTFileDataCollection::setSkippedEntries(const KTSkippedEntries &skipped)
{
    std::lock_guard lock(m_mutex);
    m_skipped = skipped;
}

bool KTFileDataCollection::isIncomplete() const
{
    std::lock_guard lock(m_mutex);
    return m_incomplete;
}

void KTFileDataCollection::setIncomplete(bool incomplete)
{
    std::lock_guard lock(m_mutex);
    m_incomplete = incomplete;
}
