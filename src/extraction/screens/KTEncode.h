#pragma once

#include <QComboBox>
#include <QList>
#include <QString>

class KTArchiveString;

// One encoding the pop-up offers: its translated name and its identifier.
struct KTEncodingEntry {
    QString name;
    long encoding = 0;
};

// The pop-up of entry-name encodings: every encoding of the core's table,
// sorted by name, then a separator and "Detect automatically" (tag 0). The
// menu is its only state; each item's tag (Qt::UserRole) is the encoding's
// identifier, the value stored as "filenameEncoding".
class KTEncode : public QComboBox
{
    Q_OBJECT
public:
    explicit KTEncode(QWidget *parent = nullptr);

    // The table's encodings with their translated names, sorted
    // case-insensitively with runs of digits compared by value.
    static QList<KTEncodingEntry> encodings();
    // Negative, zero or positive as a sorts before, with or after b.
    static int compareNames(const QString &a, const QString &b);

    // Replaces the menu with one item per encoding. The string (raw name
    // bytes) is not used to narrow the list; callers pass none.
    void buildEncodingListMatchingXADString(const KTArchiveString *string = nullptr);
    // The plain list, a separator, then "Detect automatically" as the last item.
    void buildEncodingListWithAutoDetect();

    long tagOfItem(int index) const;
    // -1 when no item carries the tag.
    int indexOfItemWithTag(long tag) const;
    void selectItemAtIndex(int index) { setCurrentIndex(index); }

signals:
    // The user chose an item (not emitted for selections made in code).
    void encodingChosen(long tag);
};
