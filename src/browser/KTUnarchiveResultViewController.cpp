#include "KTUnarchiveResultViewController.h"

#include "ui_KTUnarchiveResultViewController.h"

#include "KTFileDataCollection.h"
#include "KTNotificationCenter.h"
#include "KTViewControllerDelegate.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QShortcut>
#include <QTimer>

KTUnarchiveResultViewController::KTUnarchiveResultViewController(KTViewControllerDelegate *delegate, QWidget *parent)
    : KTViewController(delegate, parent)
    , m_ui(std::make_unique<Ui::KTUnarchiveResultViewController>())
    , m_fileDataCollection(KTFileDataCollection::shareInstance())
{
    m_ui->setupUi(this);
    QFont title = m_ui->titleLabel->font();
    title.setPointSizeF(title.pointSizeF() * 1.3);
    title.setBold(true);
    m_ui->titleLabel->setFont(title);
    m_ui->pathLabel->setForegroundRole(QPalette::PlaceholderText);
    connect(m_ui->backButton, &QPushButton::clicked, this, &KTUnarchiveResultViewController::bakeToHome);
    auto *back = new QShortcut(QKeySequence(Qt::Key_Backspace), this);
    back->setContext(Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, &KTUnarchiveResultViewController::bakeToHome);
    awakeFromNib();
}

KTUnarchiveResultViewController::~KTUnarchiveResultViewController() = default;

void KTUnarchiveResultViewController::awakeFromNib()
{
    KTNotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(KTNotificationCenter::FileGet),
                                                      [this](const QVariant &object) { run(object); });
}

void KTUnarchiveResultViewController::run(const QVariant &)
{
    QTimer::singleShot(0, this, &KTUnarchiveResultViewController::refresh);
}

void KTUnarchiveResultViewController::refresh()
{
    const QString desPath = m_fileDataCollection.desPath();
    QIcon icon = QFileIconProvider().icon(QFileInfo(desPath));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    m_ui->imageIcon->setPixmap(icon.pixmap(48, 48));
    m_ui->titleLabel->setText(QFileInfo(desPath).fileName());
    m_ui->pathLabel->setText(QDir::toNativeSeparators(QFileInfo(desPath).absolutePath()));
    ++m_refreshCount;
    emit refreshed();
}

void KTUnarchiveResultViewController::bakeToHome()
{
    m_fileDataCollection.startOver();
    if (delegate()) {
        delegate()->kt_ResizeWindowWithWidth(0, 0);
        delegate()->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
    }
}
