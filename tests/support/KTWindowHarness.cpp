#include "support/KTWindowHarness.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTUnarchiveViewController.h"

#include <QAbstractButton>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>

bool kt_showResult(KTWindowController &window, const QString &desPath, const KTSkippedEntries &skipped, bool incomplete)
{
    auto &collection = KTFileDataCollection::shareInstance();
    collection.startOver();
    collection.setDesPath(desPath);
    collection.setSkippedEntries(skipped);
    collection.setIncomplete(incomplete);
    if (!collection.fileData())
        return false;
    window.kt_Next(KTViewControllerDelegate::ResultScreen);
    KTUnarchiveResultViewController &screen = *window.unarchiveResultViewController();
    const int before = screen.refreshCount();
    KTNotificationCenter::defaultCenter().postNotification("fileget");
    return QTest::qWaitFor([&] { return screen.refreshCount() == before + 1; });
}

KTWindowHarness::KTWindowHarness()
    : m_tmp(m_dir.freshFolder())
    , m_path(qgetenv("PATH"))
    , m_tmpdir(qgetenv("TMPDIR"))
    , m_prefs(kt_testPreferences())
{
    qputenv("TMPDIR", QFile::encodeName(m_tmp));
}

KTWindowHarness::~KTWindowHarness()
{
    m_window.reset();
    KTFileDataCollection::shareInstance().startOver();
    qputenv("PATH", m_path);
    qputenv("TMPDIR", m_tmpdir);
}

bool KTWindowHarness::start()
{
    m_window = std::make_unique<KTWindowController>(*m_prefs);
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get());
}

KTUnarchiveViewController &KTWindowHarness::screen()
{
    return *m_window->unarchiveViewController();
}

KTUnarchiveResultViewController &KTWindowHarness::resultScreen()
{
    return *m_window->unarchiveResultViewController();
}

QTreeView *KTWindowHarness::outline()
{
    return resultScreen().kt_outlineView();
}

QStringList KTWindowHarness::childNames()
{
    QAbstractItemModel *model = outline()->model();
    const QModelIndex root = model->index(0, 0);
    QStringList names;
    for (int row = 0; row < model->rowCount(root); ++row)
        names << model->index(row, 0, root).data().toString();
    return names;
}

bool KTWindowHarness::selectChild(const QString &name)
{
    QAbstractItemModel *model = outline()->model();
    const QModelIndex root = model->index(0, 0);
    outline()->expand(root);
    const int row = childNames().indexOf(name);
    if (row < 0)
        return false;
    outline()->setCurrentIndex(model->index(row, 0, root));
    return true;
}

QAction *KTWindowHarness::menuAction(const QString &text)
{
    for (QAction *menu : m_window->menuBar()->actions()) {
        for (QAction *action : menu->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
    }
    return nullptr;
}

QMessageBox *KTWindowHarness::shownMessageBox()
{
    for (QMessageBox *box : m_window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

QString KTWindowHarness::installRecordingTool(const QString &name, int exitCode)
{
    const QString bin = m_dir.freshFolder("bin-");
    const QByteArray record = QFile::encodeName(m_dir.freshFolder("record-"));
    kt_writeFile(bin + "/" + name, "#!/bin/sh\n"
                                   "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + record + "/args'\n"
                                   "[ -n \"$2\" ] && cp \"$2\" '" + record + "/attachment'\n"
                                   "exit " + QByteArray::number(exitCode) + "\n");
    QFile::setPermissions(bin + "/" + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin) + ":" + qgetenv("PATH"));
    return QString::fromLocal8Bit(record);
}

void KTWindowHarness::emptyPath()
{
    qputenv("PATH", QFile::encodeName(m_dir.freshFolder("empty-path-")));
}

QStringList kt_recordedArguments(const QString &file)
{
    QStringList arguments;
    for (const QByteArray &argument : kt_readFile(file).split('\0'))
        arguments << QString::fromUtf8(argument);
    arguments.removeLast();
    return arguments;
}

QAbstractButton *kt_buttonNamed(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}
