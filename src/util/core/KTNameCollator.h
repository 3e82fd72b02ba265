#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

struct UCollator;

// Orders names as people read them, in every locale: case aside, digits by
// their numeric value ("file9" before "file10"). ICU's collation for the
// locale, or its root collation when the locale is C/POSIX, where Qt's own
// collator falls back to code-point order.
class KTNameCollator
{
public:
    explicit KTNameCollator(const QLocale &locale = QLocale());
    ~KTNameCollator();
    KTNameCollator(const KTNameCollator &) = delete;
    KTNameCollator &operator=(const KTNameCollator &) = delete;

    // Keys compare bytewise (operator<) in the collator's order.
    QByteArray sortKey(const QString &name) const;

private:
    UCollator *m_collator = nullptr;
};
