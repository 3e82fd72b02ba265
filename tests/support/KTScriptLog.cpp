#include "support/KTScriptLog.h"

void KTScriptLog::add(const QString &line)
{
    std::lock_guard lock(m_mutex);
    m_lines.append(line);
}

QStringList KTScriptLog::lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

int KTScriptLog::count(const QString &line) const
{
    std::lock_guard lock(m_mutex);
    return int(m_lines.count(line));
}

QString KTScriptLog::did(const QString &name, KTErrorCode code)
{
    return code == KTErrorCode::None ? QStringLiteral("did %1 ok").arg(name)
                                     : QStringLiteral("did %1 failed %2").arg(name).arg(int(code));
}
