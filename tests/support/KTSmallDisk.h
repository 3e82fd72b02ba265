#pragma once

#include <QByteArray>
#include <QString>

// A tmpfs of a given size mounted for the life of the object; only root
// may mount, so isValid() is false for others.
class KTSmallDisk
{
public:
    KTSmallDisk(const QString &where, const QByteArray &options);
    ~KTSmallDisk();
    KTSmallDisk(const KTSmallDisk &) = delete;
    KTSmallDisk &operator=(const KTSmallDisk &) = delete;

    bool isValid() const { return m_mounted; }
    bool makeReadOnly();

private:
    QByteArray m_where;
    bool m_mounted = false;
};
