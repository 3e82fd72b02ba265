#pragma once

#include "extraction/engine/KTSkippedEntries.h"
#include "support/KTTestDirs.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class KTPreferences;
class KTUnarchiveResultViewController;
class KTUnarchiveViewController;
class KTWindowController;
class QAbstractButton;
class QAction;
class QMessageBox;
class QTreeView;

// Does what the extraction screen's hand-over does for a finished job on
// desPath: the tree built, the switch to the result screen, then "fileget";
// true once the screen has shown the new tree.
bool kt_showResult(KTWindowController &window, const QString &desPath, const KTSkippedEntries &skipped = {},
                   bool incomplete = false);

// A real window over test preferences, for tests that act on it as a user
// does. TMPDIR, where results go, is a fresh folder of its own; TMPDIR and
// PATH are put back, and the result forgotten, when it goes.
class KTWindowHarness
{
public:
    KTWindowHarness();
    ~KTWindowHarness();

    // Opens the window and waits until it is exposed.
    bool start();
    KTWindowController &window() { return *m_window; }
    KTUnarchiveViewController &screen();
    KTUnarchiveResultViewController &resultScreen();
    QTreeView *outline();
    KTPreferences &preferences() { return *m_prefs; }
    KTTestFolder &folder() { return m_dir; }
    QString tmp() const { return m_tmp; }

    bool show(const QString &desPath, const KTSkippedEntries &skipped = {}, bool incomplete = false)
    {
        return kt_showResult(*m_window, desPath, skipped, incomplete);
    }
    // The names of the rows under the result's root row, in shown order.
    QStringList childNames();
    // Expands the root row and makes its child of that name current.
    bool selectChild(const QString &name);
    // The window's menu item of that text, or null.
    QAction *menuAction(const QString &text);
    // The window's message box that is up, if any.
    QMessageBox *shownMessageBox();

    // A program of that name put first on PATH that records its arguments
    // (NUL-separated) in <record>/args, copies its second argument to
    // <record>/attachment, and exits with exitCode; <record> is returned.
    QString installRecordingTool(const QString &name, int exitCode);
    // PATH holding nothing at all.
    void emptyPath();

private:
    KTTestFolder m_dir;
    QString m_tmp;
    QByteArray m_path;
    QByteArray m_tmpdir;
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
};

// The arguments a recording program wrote, one per NUL.
QStringList kt_recordedArguments(const QString &file);
// The box's button of that text, or null.
QAbstractButton *kt_buttonNamed(QMessageBox *box, const QString &text);

// Runs fn on the modal widget of type T as soon as one is up.
template <typename T>
void kt_whenModal(std::function<void(T *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        if (T *widget = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(widget);
        }
    });
    timer->start();
}
