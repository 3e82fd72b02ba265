#pragma once

#include <QHash>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

// Preference keys and their store: the user's QSettings, or a private
// in-memory store (tests, the command line), with a layer of registered
// defaults consulted when a key has no stored value.
class KTPreferences
{
public:
    static constexpr const char *FilenameEncoding = "filenameEncoding";
    static constexpr const char *AutoDetectionThreshold = "autoDetectionThreshold";
    // Where results go (KTExtractDestination::Place) and the folder chosen for it.
    static constexpr const char *ExtractInto = "extractInto";
    static constexpr const char *ExtractFolder = "extractFolder";
    // The folder the last archive was taken from, where the open dialog starts.
    static constexpr const char *LastArchiveFolder = "lastArchiveFolder";

    // The user's preferences of the application.
    static KTPreferences &standard();
    // A store that never touches the user's settings.
    static std::unique_ptr<KTPreferences> inMemory();

    ~KTPreferences();

    // The application's defaults: "filenameEncoding" "4", "autoDetectionThreshold" "80",
    // "extractInto" "0" (the temporary folder).
    void registerApplicationDefaults();
    void registerDefaults(const QHash<QString, QVariant> &defaults);

    // Integer value of the key: stored value, else registered default, else 0.
    qint64 integerForKey(const QString &key) const;
    void setInteger(const QString &key, qint64 value);
    // Text value of the key: stored value, else registered default, else empty.
    QString stringForKey(const QString &key) const;
    void setString(const QString &key, const QString &value);
    void removeObject(const QString &key);

private:
    QVariant valueForKey(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    explicit KTPreferences(std::unique_ptr<QSettings> settings);

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings; // null for the in-memory store
    QHash<QString, QVariant> m_values;     // the in-memory store
    QHash<QString, QVariant> m_registered;
};
