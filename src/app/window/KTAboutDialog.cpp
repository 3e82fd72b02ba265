#include "app/window/KTAboutDialog.h"

#include "ui_KTAboutDialog.h"

#include "extraction/sevenzip/KTSevenZipProcess.h"

#include <QApplication>
#include <QIcon>
#include <QProcess>
#include <QRegularExpression>

#include <archive.h>
#include <unicode/uversion.h>

#ifndef KT_VERSION
#error "KT_VERSION must be defined by the build"
#endif
#ifndef KT_LICENSE
#error "KT_LICENSE must be defined by the build"
#endif

KTAboutDialog::KTAboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::KTAboutDialog>())
    , m_sevenZip(QStringLiteral("…"))
{
    m_ui->setupUi(this);
    m_ui->iconLabel->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    QFont title = m_ui->nameLabel->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    m_ui->nameLabel->setFont(title);
    m_ui->versionLabel->setText(tr("Version %1").arg(QStringLiteral(KT_VERSION)));
    m_ui->licenceLabel->setText(tr("Licence: %1").arg(QStringLiteral(KT_LICENSE)));
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showLibraries();
    askSevenZip();
}

KTAboutDialog::~KTAboutDialog() = default;

QString KTAboutDialog::versionFromBanner(const QByteArray &banner)
{
    static const QRegularExpression version(QStringLiteral("7-Zip\\b.*?\\s([0-9]+\\.[0-9]+)\\b"));
    const QRegularExpressionMatch match = version.match(QString::fromUtf8(banner));
    return match.hasMatch() ? match.captured(1) : QString();
}

void KTAboutDialog::askSevenZip()
{
    const QString program = KTSevenZipProcess::findProgram();
    if (program.isEmpty()) {
        m_sevenZip = tr("not installed");
        showLibraries();
        return;
    }
    // 7zz without arguments prints its banner and usage, and exits.
    auto *process = new QProcess(this);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process] {
        const QString version = versionFromBanner(process->readAllStandardOutput());
        m_sevenZip = version.isEmpty() ? tr("unknown") : version;
        process->deleteLater();
        showLibraries();
        emit sevenZipVersionKnown();
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_sevenZip = tr("not installed");
        process->deleteLater();
        showLibraries();
        emit sevenZipVersionKnown();
    });
    process->start(program, {});
}

void KTAboutDialog::showLibraries()
{
    UVersionInfo icu;
    u_getVersion(icu);
    char icuText[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(icu, icuText);
    const QString libarchive = QString::fromLatin1(archive_version_string()).remove(QStringLiteral("libarchive "));
    m_ui->librariesLabel->setText(tr("Qt %1 · libarchive %2 · ICU %3 · 7-Zip %4")
                                      .arg(QString::fromLatin1(qVersion()), libarchive,
                                           QString::fromLatin1(icuText), m_sevenZip));
}
