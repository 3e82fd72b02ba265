#include "support/KTUnarchiverScript.h"

qint64 KTScriptedEntry::size() const
{
    if (isDirectory)
        return 0;
    return fillSize >= 0 ? fillSize : content.size();
}

KTScriptedEntry KTScriptedEntry::file(const QString &name, const QByteArray &content)
{
    KTScriptedEntry entry;
    entry.name = name;
    entry.content = content;
    return entry;
}

KTScriptedEntry KTScriptedEntry::filled(const QString &name, qint64 size, char fill)
{
    KTScriptedEntry entry;
    entry.name = name;
    entry.fillSize = size;
    entry.fill = fill;
    return entry;
}

KTScriptedEntry KTScriptedEntry::folder(const QString &name)
{
    KTScriptedEntry entry;
    entry.name = name;
    entry.isDirectory = true;
    return entry;
}

KTUnarchiverScript &KTUnarchiverScript::add(KTScriptedEntry entry)
{
    entries.push_back(std::move(entry));
    return *this;
}

KTUnarchiverScript &KTUnarchiverScript::failAt(int index, KTErrorCode code, qint64 afterBytes)
{
    KTScriptedEntry &entry = entries.at(size_t(index));
    entry.failure = code;
    entry.failAfterBytes = afterBytes;
    return *this;
}

std::shared_ptr<KTScriptGate> KTUnarchiverScript::holdAt(int index, qint64 afterBytes)
{
    KTScriptedEntry &entry = entries.at(size_t(index));
    entry.gate = std::make_shared<KTScriptGate>();
    entry.holdAfterBytes = afterBytes;
    return entry.gate;
}

qint64 KTUnarchiverScript::totalSize() const
{
    qint64 total = 0;
    for (const KTScriptedEntry &entry : entries)
        total += entry.size();
    return total;
}
