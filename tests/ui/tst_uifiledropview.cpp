#include "app/core/KTNotificationCenter.h"
#include "extraction/engine/KTArchiveExtensions.h"
#include "ui/KTFileDropView.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

std::unique_ptr<QMimeData> files(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

// Whether the view takes the drag (entered with the given event type) and
// the action it settles on; the event starts out with the opposite answer.
template<typename Event>
std::pair<bool, Qt::DropAction> offer(QWidget &view, const QMimeData &data, bool startAccepted)
{
    Event event(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(Qt::MoveAction);
    event.setAccepted(startAccepted);
    // QApplication::notify expects a real drag behind a drop, so the view's
    // own handler gets the event directly.
    static_cast<QObject &>(view).event(&event);
    return {event.isAccepted(), event.dropAction()};
}

} // namespace

class TestUiFileDropView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_view = std::make_unique<KTFileDropView>();
        m_receiver = std::make_unique<QObject>();
        m_posts.clear();
        KTNotificationCenter::defaultCenter().addObserver(
            m_receiver.get(), QStringLiteral("filedrop"),
            [this](const QVariant &object) { m_posts.append(object.toStringList()); });
    }

    void cleanup()
    {
        QCoreApplication::processEvents();
        m_receiver.reset();
    }

    // Local files are offered a copy whatever the source proposes; text or
    // remote links alone are turned away.
    void dragOffers()
    {
        QVERIFY(m_view->acceptDrops());
        const auto local = files({"/tmp/a.txt"});
        QCOMPARE(offer<QDragEnterEvent>(*m_view, *local, false), std::pair(true, Qt::CopyAction));
        QCOMPARE(offer<QDragMoveEvent>(*m_view, *local, false), std::pair(true, Qt::CopyAction));
        QMimeData text;
        text.setText(QStringLiteral("/tmp/a.zip"));
        QCOMPARE(offer<QDragEnterEvent>(*m_view, text, true).first, false);
        QMimeData remote;
        remote.setUrls({QUrl(QStringLiteral("https://example.org/a.zip"))});
        QCOMPARE(offer<QDragEnterEvent>(*m_view, remote, true).first, false);
    }

    void drop_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("taken");
        QTest::newRow("upper-case extension") << QStringList{"/tmp/a.ZIP"} << true;
        QTest::newRow("two archives in order") << QStringList{"/tmp/b.rar", "/tmp/a.zip"} << true;
        QTest::newRow("judged by the last extension") << QStringList{"/tmp/photos.tar.gz"} << true;
        QTest::newRow("folder with an archive name") << QStringList{"/tmp/bundle.zip/"} << true;
        QTest::newRow("archive then text") << QStringList{"/tmp/a.zip", "/tmp/b.txt"} << false;
        QTest::newRow("text then archive") << QStringList{"/tmp/b.txt", "/tmp/a.zip"} << false;
        QTest::newRow("no extension") << QStringList{"/tmp/README"} << false;
        QTest::newRow("dot in a folder only") << QStringList{"/tmp/v1.zip/README"} << false;
        QTest::newRow("trailing dot") << QStringList{"/tmp/archive."} << false;
        QTest::newRow("a split zip's pieces") << QStringList{"/tmp/set.z01", "/tmp/set.Z07"} << true;
        QTest::newRow("a split 7z's piece") << QStringList{"/tmp/backup.7z.002"} << true;
        QTest::newRow("a split text file") << QStringList{"/tmp/notes.txt.001"} << false;
    }

    // A taken drop posts all its paths once, later and in order; a refused
    // one posts nothing, shown by the next taken drop's post arriving first.
    void drop()
    {
        QFETCH(QStringList, paths);
        QFETCH(bool, taken);
        const auto [accepted, action] = offer<QDropEvent>(*m_view, *files(paths), !taken);
        QCOMPARE(accepted, taken);
        if (taken)
            QCOMPARE(action, Qt::CopyAction);
        QVERIFY(m_posts.isEmpty());

        const QStringList sentinel{QStringLiteral("/tmp/sentinel.7z")};
        QVERIFY(m_view->performDragOperation(files(sentinel).get()));
        const QList<QStringList> expected = taken ? QList<QStringList>{paths, sentinel} : QList<QStringList>{sentinel};
        QTRY_COMPARE(m_posts, expected);
    }

    // A drop of text alone is answered yes but posts nothing. The format
    // list decides; an empty one falls back to the defaults.
    void textDropAndFormatList()
    {
        QMimeData text;
        text.setText(QStringLiteral("/tmp/a.zip"));
        QCOMPARE(offer<QDropEvent>(*m_view, text, false).first, true);

        m_view->setArchiverFormat({QStringLiteral("iso")});
        QVERIFY(!m_view->performDragOperation(files({"/tmp/a.zip"}).get()));
        QVERIFY(m_view->performDragOperation(files({"/tmp/disk.iso"}).get()));
        m_view->setArchiverFormat({});
        QVERIFY(m_view->performDragOperation(files({"/tmp/a.zip"}).get()));
        QCOMPARE(m_view->archiverFormat(), KTArchiveExtensions::opened());
        QTRY_COMPARE(m_posts, (QList<QStringList>{{"/tmp/disk.iso"}, {"/tmp/a.zip"}}));
    }

    // A program is taken when it holds an archive, whatever its name says.
    void programsByContent()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray stub = QByteArray("MZ") + QByteArray(40000, '\x90');
        const QByteArray zipEnd = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
        const QByteArray sevenZip = QByteArray("7z\xBC\xAF\x27\x1C", 6) + QByteArray(26, '\0');
        const QList<std::pair<QString, QByteArray>> programs{{"zipsfx.exe", stub + zipEnd},
                                                             {"sevensfx.EXE", stub + sevenZip},
                                                             {"plain.exe", stub + QByteArray(100000, 'x')}};
        for (const auto &[name, content] : programs) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        const QStringList formats = KTArchiveExtensions::opened();
        QVERIFY(KTArchiveExtensions::accepts(dir.filePath("zipsfx.exe"), formats));
        QVERIFY(KTArchiveExtensions::accepts(dir.filePath("sevensfx.EXE"), formats));
        QVERIFY(!KTArchiveExtensions::accepts(dir.filePath("plain.exe"), formats));
        QVERIFY(!KTArchiveExtensions::accepts(dir.filePath("missing.exe"), formats));

        // The open dialog offers what the drop takes.
        const QStringList patterns = KTArchiveExtensions::namePatterns();
        for (const char *pattern : {"*.CAB", "*.z01", "*.7z.001", "*.exe"})
            QVERIFY2(patterns.contains(pattern), pattern);
    }

private:
    std::unique_ptr<KTFileDropView> m_view;
    std::unique_ptr<QObject> m_receiver;
    QList<QStringList> m_posts;
};

QTEST_MAIN(TestUiFileDropView)
#include "tst_uifiledropview.moc"
