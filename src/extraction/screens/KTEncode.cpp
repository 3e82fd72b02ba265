#include "extraction/screens/KTEncode.h"

#include "extraction/names/KTEncodings.h"

#include <QCoreApplication>

#include <algorithm>

KTEncode::KTEncode(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            emit encodingChosen(tagOfItem(index));
    });
}

QList<KTEncodingEntry> KTEncode::encodings()
{
    QList<KTEncodingEntry> list;
    for (const KTEncodingInfo &info : KTEncodings::all()) {
        const QString name = QCoreApplication::translate("KTEncodings", info.label);
        if (name.isEmpty())
            continue;
        list.append({name, long(info.id)});
    }
    std::stable_sort(list.begin(), list.end(), [](const KTEncodingEntry &a, const KTEncodingEntry &b) {
        return compareNames(a.name, b.name) < 0;
    });
    return list;
}

int KTEncode::compareNames(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Compare the two digit runs by value: skip leading zeros, then
            // the longer run is larger, then the first differing digit decides.
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a.at(si).digitValue() == 0)
                ++si;
            while (sj + 1 < ej && b.at(sj).digitValue() == 0)
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            for (; si < ei; ++si, ++sj) {
                const int da = a.at(si).digitValue();
                const int db = b.at(sj).digitValue();
                if (da != db)
                    return da < db ? -1 : 1;
            }
            i = ei;
            j = ej;
            continue;
        }
        const char16_t ca = a.at(i).toCaseFolded().unicode();
        const char16_t cb = b.at(j).toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

void KTEncode::buildEncodingListMatchingXADString(const KTArchiveString *)
{
    clear();
    for (const KTEncodingEntry &entry : encodings())
        addItem(entry.name, QVariant::fromValue(qlonglong(entry.encoding)));
}

void KTEncode::buildEncodingListWithAutoDetect()
{
    buildEncodingListMatchingXADString(nullptr);
    insertSeparator(count());
    addItem(tr("Detect automatically"), QVariant::fromValue(qlonglong(0)));
}

long KTEncode::tagOfItem(int index) const
{
    return long(itemData(index).toLongLong());
}

int KTEncode::indexOfItemWithTag(long tag) const
{
    for (int i = 0; i < count(); ++i) {
        const QVariant data = itemData(i);
        if (data.isValid() && long(data.toLongLong()) == tag)
            return i;
    }
    return -1;
}
