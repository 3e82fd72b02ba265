#pragma once

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QStringList>

class KTPreferences;

// The extraction screen's two file questions, each window-modal and one at a
// time: the open dialog of "Choose an Archive…" and the folder question of
// "Extract To…". Their answers come back as signals.
class KTArchiveChooser : public QObject
{
    Q_OBJECT
public:
    explicit KTArchiveChooser(KTPreferences &preferences);

    // The open dialog's filters: the archives, then all files.
    static QStringList openDialogFilters();
    // Where the open dialog starts: the folder of the last archive taken,
    // else Downloads, else home.
    QString openDialogFolder() const;

    // Each while it is shown.
    QFileDialog *openDialog() const { return m_openDialog; }
    QFileDialog *folderDialog() const { return m_folderDialog; }

    // Nothing happens while the same question is shown.
    void chooseArchive(QWidget *window);
    void chooseFolderFor(const QString &archive, QWidget *window);

signals:
    void archiveChosen(const QString &path);
    void folderChosen(const QString &archive, const QString &folder);

private:
    KTPreferences &m_preferences;
    QPointer<QFileDialog> m_openDialog;
    QPointer<QFileDialog> m_folderDialog;
};
