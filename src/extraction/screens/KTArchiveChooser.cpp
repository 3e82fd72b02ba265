#include "extraction/screens/KTArchiveChooser.h"

#include "app/core/KTPreferences.h"
#include "extraction/engine/KTArchiveExtensions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

KTArchiveChooser::KTArchiveChooser(KTPreferences &preferences)
    : m_preferences(preferences)
{
}

QStringList KTArchiveChooser::openDialogFilters()
{
    return {tr("Archives (%1)").arg(KTArchiveExtensions::namePatterns().join(QLatin1Char(' '))),
            tr("All files (*)")};
}

QString KTArchiveChooser::openDialogFolder() const
{
    const QString last = m_preferences.stringForKey(QString::fromLatin1(KTPreferences::LastArchiveFolder));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QFileInfo(downloads).isDir())
        return downloads;
    return QDir::homePath();
}

void KTArchiveChooser::chooseArchive(QWidget *window)
{
    if (m_openDialog)
        return;
    auto *dialog = new QFileDialog(window, tr("Choose an Archive"), openDialogFolder());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(openDialogFilters());
    dialog->setWindowModality(Qt::WindowModal);
    m_openDialog = dialog;
    connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
        if (result != QDialog::Accepted)
            return;
        const QStringList files = dialog->selectedFiles();
        if (!files.isEmpty())
            emit archiveChosen(files.first());
    });
    dialog->open();
}

void KTArchiveChooser::chooseFolderFor(const QString &archive, QWidget *window)
{
    if (m_folderDialog)
        return;
    const QFileInfo info(archive);
    auto *dialog = new QFileDialog(window, tr("Extract “%1” To").arg(info.fileName()), info.absolutePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, tr("Extract"));
    dialog->setWindowModality(Qt::WindowModal);
    m_folderDialog = dialog;
    const QString path = info.absoluteFilePath();
    connect(dialog, &QFileDialog::finished, this, [this, dialog, path](int result) {
        if (result != QDialog::Accepted)
            return;
        const QStringList folders = dialog->selectedFiles();
        if (!folders.isEmpty())
            emit folderChosen(path, folders.first());
    });
    dialog->open();
}
