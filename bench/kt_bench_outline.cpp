// The result screen's outline on a folder of many entries: how long the GUI
// thread is held by each thing a user does to it. Offscreen, real widgets.
//
// Usage: kt-bench-outline FOLDER [COUNT]
// Makes FOLDER/big with COUNT (default 100,000) small files of assorted
// types when it is missing, then prints one line per step in milliseconds.
#include "app/core/KTNotificationCenter.h"
#include "browser/screens/KTFileIconCache.h"
#include "browser/screens/KTFileTreeModel.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextStream>
#include <QTreeView>

#include <cstdio>

namespace {

bool makeFolder(const QString &folder, int count)
{
    if (QFileInfo::exists(folder))
        return true;
    QDir().mkpath(folder);
    static const char *const extensions[] = {"txt", "jpg", "png", "pdf", "cpp", "html", "zip", "md"};
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/file-%2.%3").arg(folder).arg(i).arg(QLatin1String(extensions[i % 8])));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::number(i)) < 1)
            return false;
    }
    return true;
}

template <typename F>
double timed(F &&step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kt-bench-outline FOLDER [COUNT]\n");
        return 2;
    }
    const QString root = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
    if (!makeFolder(root + QStringLiteral("/big"), count)) {
        std::fprintf(stderr, "cannot make the folder\n");
        return 1;
    }

    KTFileDataCollection &collection = KTFileDataCollection::shareInstance();
    collection.setDesPath(root);
    const double build = timed([&] { collection.fileData(); });

    KTUnarchiveResultViewController screen;
    screen.resize(540, 530);
    screen.show();
    QTreeView *outline = screen.kt_outlineView();
    QAbstractItemModel *model = outline->model();
    const double refresh = timed([&] {
        screen.run({});
        while (screen.refreshCount() == 0)
            QCoreApplication::processEvents();
        screen.grab();
    });
    const QModelIndex top = model->index(0, 0);
    outline->expand(top);
    QModelIndex big;
    for (int row = 0; row < model->rowCount(top); ++row) {
        if (model->index(row, 0, top).data().toString() == QLatin1String("big"))
            big = model->index(row, 0, top);
    }
    const double expand = timed([&] {
        outline->expand(big);
        screen.grab();
    });
    const double scroll = timed([&] {
        outline->verticalScrollBar()->setValue(outline->verticalScrollBar()->maximum());
        screen.grab();
    });
    const double sortName = timed([&] {
        outline->sortByColumn(KTFileTreeModel::NameColumn, Qt::AscendingOrder);
        screen.grab();
    });
    const double sortSize = timed([&] {
        outline->sortByColumn(KTFileTreeModel::SizeColumn, Qt::DescendingOrder);
        screen.grab();
    });
    const double collapse = timed([&] {
        outline->collapse(big);
        screen.grab();
    });
    const double back = timed([&] { screen.bakeToHome(); });

    std::printf("entries: %d\n", model->rowCount(big));
    std::printf("tree-build-ms: %.1f (background thread in the application)\n", build);
    std::printf("refresh-ms: %.1f\nexpand-ms: %.1f\nscroll-to-end-ms: %.1f\nsort-by-name-ms: %.1f\n"
                "sort-by-size-ms: %.1f\ncollapse-ms: %.1f\nback-ms: %.1f\n",
                refresh, expand, scroll, sortName, sortSize, collapse, back);
    return 0;
}
