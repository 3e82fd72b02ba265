#include "extraction/names/KTEncodings.h"
#include "extraction/screens/KTEncode.h"

#include <QSet>
#include <QStandardItemModel>
#include <QTest>

// The encoding pop-up: what it lists, in which order, and its last item.
class TestEncode : public QObject
{
    Q_OBJECT

private slots:
    // Every encoding of the table once, titled by its name, tagged with its
    // identifier; never 0 and never UTF-16 with a byte-order mark.
    void listsTheTable()
    {
        const QList<KTEncodingEntry> list = KTEncode::encodings();
        QCOMPARE(list.size(), qsizetype(KTEncodings::all().size()));
        QSet<long> tags;
        for (const KTEncodingEntry &entry : list) {
            const KTEncodingInfo *info = KTEncodings::find(int(entry.encoding));
            QVERIFY(info);
            QCOMPARE(entry.name, QString::fromUtf8(info->label));
            QVERIFY(!QByteArray(info->icuName).startsWith("UTF-16"));
            tags.insert(entry.encoding);
        }
        QCOMPARE(tags.size(), list.size());
        QVERIFY(!tags.contains(0));
        for (qsizetype i = 1; i < list.size(); ++i)
            QVERIFY2(KTEncode::compareNames(list[i - 1].name, list[i].name) <= 0, qPrintable(list[i].name));
    }

    void compareNames_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("number value") << "Latin 2" << "Latin 10" << -1;
        QTest::newRow("number value reversed") << "ISO 8859-15" << "ISO 8859-5" << 1;
        QTest::newRow("leading zeros") << "CP 007" << "CP 7" << 0;
        QTest::newRow("case") << "western" << "WESTERN" << 0;
        QTest::newRow("letters") << "Arabic" << "baltic" << -1;
        QTest::newRow("prefix") << "Greek" << "Greek (DOS)" << -1;
    }

    void compareNames()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const int got = KTEncode::compareNames(a, b);
        QCOMPARE((got > 0) - (got < 0), order);
        const int back = KTEncode::compareNames(b, a);
        QCOMPARE((back > 0) - (back < 0), -order);
    }

    // The list, a separator, then "Detect automatically" with tag 0 as the
    // last item; building twice leaves one copy of each.
    void autoDetectMenu()
    {
        KTEncode popup;
        popup.buildEncodingListWithAutoDetect();
        popup.buildEncodingListWithAutoDetect();
        const int encodings = int(KTEncode::encodings().size());
        QCOMPARE(popup.count(), encodings + 2);
        QCOMPARE(popup.itemText(popup.count() - 1), QStringLiteral("Detect automatically"));
        QCOMPARE(popup.tagOfItem(popup.count() - 1), 0L);
        auto *model = qobject_cast<QStandardItemModel *>(popup.model());
        QVERIFY(model);
        QCOMPARE(model->item(popup.count() - 2)->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("separator"));
        QCOMPARE(popup.indexOfItemWithTag(0), popup.count() - 1);
        QCOMPARE(popup.indexOfItemWithTag(4), popup.findText("Unicode (UTF-8)"));
        QCOMPARE(popup.indexOfItemWithTag(12345), -1);

        popup.buildEncodingListMatchingXADString(nullptr);
        QCOMPARE(popup.count(), encodings);
        QCOMPARE(popup.indexOfItemWithTag(0), -1);
    }

    // A choice made by the user is announced with its tag; one made in code is not.
    void choiceSignal()
    {
        KTEncode popup;
        popup.buildEncodingListWithAutoDetect();
        QList<long> chosen;
        connect(&popup, &KTEncode::encodingChosen, this, [&](long tag) { chosen << tag; });
        popup.selectItemAtIndex(3);
        QVERIFY(chosen.isEmpty());
        popup.show();
        popup.setFocus();
        QTest::keyClick(&popup, Qt::Key_End);
        QCOMPARE(chosen, QList<long>{0L});
    }
};

QTEST_MAIN(TestEncode)
#include "tst_encode.moc"
