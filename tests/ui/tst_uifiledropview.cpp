#include "KTFileDropView.h"
#include "KTNotificationCenter.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

QList<QUrl> localUrls(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

// QApplication::notify expects a drag in progress for a drop, so drops go
// straight to the widget's own event handler.
void deliverDrop(QWidget *view, QDropEvent *event)
{
    static_cast<QObject *>(view)->event(event);
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
        KTNotificationCenter::defaultCenter().addObserver(m_receiver.get(), QStringLiteral("filedrop"),
                                                          [this](const QVariant &object) {
                                                              m_posts.append(object.toStringList());
                                                          });
    }

    void cleanup()
    {
        // Let stray posts of a failed case reach this case's receiver only.
        QCoreApplication::processEvents();
        m_receiver.reset();
    }

    void defaults()
    {
        const QStringList expected{"zip", "7z", "gzip", "tar", "rar", "bzip", "bzip2", "gz",
                                   "tgz", "bz2", "tbz", "tbz2", "xz", "txz", "zst"};
        QCOMPARE(KTFileDropView::defaultArchiverFormat(), expected);
        QCOMPARE(m_view->archiverFormat(), expected);
        QVERIFY(m_view->acceptDrops());
    }

    // Local files are offered a copy whatever the source proposes; text or
    // remote links alone are turned away.
    void dragEnterAndMove()
    {
        QMimeData files;
        files.setUrls(localUrls({"/tmp/a.txt"}));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
        enter.setDropAction(Qt::MoveAction);
        enter.ignore();
        QApplication::sendEvent(m_view.get(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);

        QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton, Qt::NoModifier);
        move.setDropAction(Qt::MoveAction);
        move.ignore();
        QApplication::sendEvent(m_view.get(), &move);
        QVERIFY(move.isAccepted());
        QCOMPARE(move.dropAction(), Qt::CopyAction);

        QMimeData text;
        text.setText(QStringLiteral("/tmp/a.zip"));
        QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        textEnter.accept();
        QApplication::sendEvent(m_view.get(), &textEnter);
        QVERIFY(!textEnter.isAccepted());

        QMimeData remote;
        remote.setUrls({QUrl(QStringLiteral("https://example.org/a.zip"))});
        QDragEnterEvent remoteEnter(QPoint(5, 5), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
        remoteEnter.accept();
        QApplication::sendEvent(m_view.get(), &remoteEnter);
        QVERIFY(!remoteEnter.isAccepted());
    }

    void drop_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("taken");
        QTest::newRow("upper-case extension") << QStringList{"/tmp/a.ZIP"} << true;
        QTest::newRow("two archives in order") << QStringList{"/tmp/a.zip", "/tmp/b.rar"} << true;
        QTest::newRow("two archives reversed") << QStringList{"/tmp/b.rar", "/tmp/a.zip"} << true;
        QTest::newRow("judged by the last extension") << QStringList{"/tmp/photos.tar.gz"} << true;
        QTest::newRow("zstd tar") << QStringList{"/tmp/x.tar.zst"} << true;
        QTest::newRow("folder with an archive name") << QStringList{"/tmp/bundle.zip/"} << true;
        QTest::newRow("archive then text") << QStringList{"/tmp/a.zip", "/tmp/b.txt"} << false;
        QTest::newRow("text then archive") << QStringList{"/tmp/b.txt", "/tmp/a.zip"} << false;
        QTest::newRow("no extension") << QStringList{"/tmp/README"} << false;
        QTest::newRow("dot in a folder only") << QStringList{"/tmp/v1.zip/README"} << false;
        QTest::newRow("trailing dot") << QStringList{"/tmp/archive."} << false;
        QTest::newRow("name is the extension") << QStringList{"/tmp/zip"} << false;
    }

    // A taken drop posts all its paths once, later and in order; a refused
    // one posts nothing, which the next taken drop's post being the first to
    // arrive shows.
    void drop()
    {
        QFETCH(QStringList, paths);
        QFETCH(bool, taken);

        QMimeData data;
        data.setUrls(localUrls(paths));
        QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        event.setDropAction(Qt::MoveAction);
        taken ? event.ignore() : event.accept();
        deliverDrop(m_view.get(), &event);
        QCOMPARE(event.isAccepted(), taken);
        if (taken)
            QCOMPARE(event.dropAction(), Qt::CopyAction);
        QVERIFY(m_posts.isEmpty());

        const QStringList sentinel{QStringLiteral("/tmp/sentinel.7z")};
        QMimeData next;
        next.setUrls(localUrls(sentinel));
        QVERIFY(m_view->performDragOperation(&next));
        QTRY_VERIFY(!m_posts.isEmpty());
        const QList<QStringList> expected = taken ? QList<QStringList>{paths, sentinel} : QList<QStringList>{sentinel};
        QTRY_COMPARE(m_posts, expected);
    }

    // A drop of text alone is answered yes but posts nothing.
    void textOnlyDrop()
    {
        QMimeData text;
        text.setText(QStringLiteral("/tmp/a.zip"));
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        event.ignore();
        deliverDrop(m_view.get(), &event);
        QVERIFY(event.isAccepted());
        QVERIFY(m_view->performDragOperation(&text));
        QMimeData next;
        next.setUrls(localUrls({"/tmp/sentinel.7z"}));
        QVERIFY(m_view->performDragOperation(&next));
        QTRY_COMPARE(m_posts, QList<QStringList>{{"/tmp/sentinel.7z"}});
    }

    // The list decides: a custom one refuses the defaults, an empty one
    // falls back to them.
    void formatList()
    {
        QMimeData zip;
        zip.setUrls(localUrls({"/tmp/a.zip"}));
        QMimeData iso;
        iso.setUrls(localUrls({"/tmp/disk.iso"}));
        m_view->setArchiverFormat({QStringLiteral("iso")});
        QVERIFY(!m_view->performDragOperation(&zip));
        QVERIFY(m_view->performDragOperation(&iso));

        m_view->setArchiverFormat({});
        QVERIFY(m_view->performDragOperation(&zip));
        QCOMPARE(m_view->archiverFormat(), KTFileDropView::defaultArchiverFormat());
        QTRY_COMPARE(m_posts, (QList<QStringList>{{"/tmp/disk.iso"}, {"/tmp/a.zip"}}));
    }

private:
    std::unique_ptr<KTFileDropView> m_view;
    std::unique_ptr<QObject> m_receiver;
    QList<QStringList> m_posts;
};

QTEST_MAIN(TestUiFileDropView)
#include "tst_uifiledropview.moc"
