#include "app/core/KTPreferences.h"

#include <QSettings>

KTPreferences::KTPreferences(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{
}

KTPreferences::~KTPreferences() = default;

KTPreferences &KTPreferences::standard()
{
    static KTPreferences prefs(std::make_unique<QSettings>(QStringLiteral("KTExtractor"), QStringLiteral("KTExtractor")));
    return prefs;
}

std::unique_ptr<KTPreferences> KTPreferences::inMemory()
{
    return std::unique_ptr<KTPreferences>(new KTPreferences(nullptr));
}

void KTPreferences::registerApplicationDefaults()
{
    registerDefaults({{QString::fromLatin1(AutoDetectionThreshold), QStringLiteral("80")},
                      {QString::fromLatin1(FilenameEncoding), QStringLiteral("4")}});
}

void KTPreferences::registerDefaults(const QHash<QString, QVariant> &defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

qint64 KTPreferences::integerForKey(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    QVariant value = m_settings ? m_settings->value(key) : m_values.value(key);
    if (!value.isValid())
        value = m_registered.value(key);
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    return ok ? n : 0;
}

void KTPreferences::setInteger(const QString &key, qint64 value)
{
    QMutexLocker lock(&m_mutex);
    if (m_settings)
        m_settings->setValue(key, value);
    else
        m_values.insert(key, value);
}

QString KTPreferences::stringForKey(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    const QVariant value = m_settings ? m_settings->value(key) : m_values.value(key);
    return value.isValid() ? value.toString() : m_registered.value(key).toString();
}

void KTPreferences::setString(const QString &key, const QString &value)
{
    QMutexLocker lock(&m_mutex);
    if (m_settings)
        m_settings->setValue(key, value);
    else
        m_values.insert(key, value);
}

void KTPreferences::removeObject(const QString &key)
{
    QMutexLocker lock(&m_mutex);
    if (m_settings)
        m_settings->remove(key);
    else
        m_values.remove(key);
}
