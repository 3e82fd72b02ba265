#include "app/window/KTWindowController.h"

#include "ui_KTWindowController.h"

#include "app/window/KTAboutDialog.h"
#include "app/window/KTJobAnnouncer.h"
#include "app/window/KTPreferencesDialog.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "extraction/screens/KTUnarchiveViewController.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <QVBoxLayout>

KTWindowController::KTWindowController(KTPreferences &preferences, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::KTWindowController>())
    , m_preferences(preferences)
{
    m_ui->setupUi(this);
    windowDidLoad();
}

KTWindowController::~KTWindowController()
{
    m_unarchiveViewController->shutDown();
}

QWidget *KTWindowController::baseView() const
{
    return m_ui->baseView;
}

void KTWindowController::windowDidLoad()
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    m_ui->baseView->setPalette(white);
    m_ui->baseView->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(m_ui->baseView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    initViewCters();

    connect(m_ui->actionOpen, &QAction::triggered, m_unarchiveViewController, [this] {
        kt_Next(KTViewControllerDelegate::UnarchiveScreen);
        m_unarchiveViewController->kt_addFileButton();
    });
    connect(m_ui->actionContact, &QAction::triggered, m_unarchiveViewController,
            &KTUnarchiveViewController::kt_Contact);
    connect(m_ui->actionAbout, &QAction::triggered, this, &KTWindowController::showAbout);
    connect(m_ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->actionPreferences, &QAction::triggered, this, &KTWindowController::showPreferences);
    m_ui->menuFile->insertActions(m_ui->actionPreferences, {m_unarchiveResultViewController->saveAction(),
                                                            m_unarchiveResultViewController->moveAction(),
                                                            m_unarchiveResultViewController->mailAction()});
    m_ui->menuFile->insertSeparator(m_ui->actionPreferences);
    connect(m_unarchiveViewController, &KTUnarchiveViewController::busyChanged, this,
            &KTWindowController::updateOpenAction);
    connect(m_unarchiveResultViewController, &KTUnarchiveResultViewController::movingChanged, this,
            &KTWindowController::updateOpenAction);
    connect(m_unarchiveResultViewController, &KTUnarchiveResultViewController::readNamesAgainRequested,
            m_unarchiveViewController, &KTUnarchiveViewController::readNamesAgainWithDetection);
    const QString ownTitle = windowTitle();
    connect(m_unarchiveViewController, &KTUnarchiveViewController::progressTitleChanged, this,
            [this, ownTitle](const QString &title) { setWindowTitle(title.isEmpty() ? ownTitle : title); });

    kt_Next(KTViewControllerDelegate::UnarchiveScreen);
    updateMinimumSize();
}

void KTWindowController::updateMinimumSize()
{
    // Both screens' needs, whichever is shown, in the current language;
    // but never more than the screen offers, where the window must fit.
    const QSize content = m_unarchiveViewController->minimumSizeHint().expandedTo(
        m_unarchiveResultViewController->minimumSizeHint());
    QSize needed(qMax(content.width(), menuBar()->minimumSizeHint().width()),
                 content.height() + menuBar()->sizeHint().height());
    if (const QScreen *shown = screen()) {
        const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
        needed = needed.boundedTo(shown->availableGeometry().size() - frame);
    }
    setMinimumSize(needed);
}

void KTWindowController::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (windowHandle() && !m_followsScreen) {
        m_followsScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, &KTWindowController::updateMinimumSize);
    }
    updateMinimumSize();
}

void KTWindowController::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::FontChange)
        updateMinimumSize();
}

void KTWindowController::initViewCters()
{
    m_unarchiveViewController = new KTUnarchiveViewController(this, m_preferences, m_ui->baseView);
    m_unarchiveViewController->hide();
    m_unarchiveResultViewController = new KTUnarchiveResultViewController(this, m_ui->baseView);
    m_unarchiveResultViewController->hide();
    m_jobAnnouncer = new KTJobAnnouncer(*this, *m_unarchiveViewController);
}

void KTWindowController::kt_Next(qint64 screen)
{
    if (screen == KTViewControllerDelegate::ResultScreen) {
        kt_AddSubView(m_unarchiveResultViewController);
    } else if (screen == KTViewControllerDelegate::UnarchiveScreen) {
        kt_AddSubView(m_unarchiveViewController);
        m_unarchiveViewController->kt_Status(false);
        m_unarchiveViewController->hiddenFields();
        m_unarchiveViewController->focusStart();
    }
}

KTAboutDialog *KTWindowController::aboutDialog() const
{
    return m_aboutDialog;
}

void KTWindowController::showAbout()
{
    if (m_aboutDialog) {
        m_aboutDialog->raise();
        m_aboutDialog->activateWindow();
        return;
    }
    m_aboutDialog = new KTAboutDialog(this);
    m_aboutDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_aboutDialog->open();
}

void KTWindowController::kt_AddSubView(KTViewController *screen)
{
    QLayout *layout = m_ui->baseView->layout();
    if (m_tempViewCter) {
        layout->removeWidget(m_tempViewCter);
        m_tempViewCter->hide();
    }
    m_tempViewCter = nullptr;
    m_tempViewCter = screen;
    layout->addWidget(screen);
    screen->show();
}

void KTWindowController::updateOpenAction()
{
    m_ui->actionOpen->setEnabled(!m_unarchiveViewController->isBusy() &&
                                 !m_unarchiveResultViewController->isMoving());
}

void KTWindowController::showPreferences()
{
    if (m_preferencesDialog) {
        m_preferencesDialog->raise();
        return;
    }
    m_preferencesDialog = new KTPreferencesDialog(m_preferences, this);
    m_preferencesDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_preferencesDialog->setWindowModality(Qt::WindowModal);
    m_preferencesDialog->open();
}

void KTWindowController::kt_ResizeWindowWithWidth(double width, double height)
{
    if (width == 0 && height == 0)
        return;
    QRect frame = geometry();
    frame.setWidth(frame.width() + qRound(width));
    frame.setHeight(frame.height() + qRound(height));
    setGeometry(frame);
}

void KTWindowController::closeEvent(QCloseEvent *event)
{
    m_unarchiveViewController->shutDown();
    QMainWindow::closeEvent(event);
    event->accept();
}
