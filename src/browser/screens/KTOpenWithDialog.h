#pragma once

#include "app/core/KTDesktopEntry.h"

#include <QDialog>
#include <QList>

#include <memory>
#include <optional>

namespace Ui {
class KTOpenWithDialog;
}

// "Open With…": the applications registered for a file's type, one to
// choose. Open is enabled while one is selected; a double-click chooses.
class KTOpenWithDialog : public QDialog
{
    Q_OBJECT
public:
    KTOpenWithDialog(const QString &fileName, const QString &mimeComment, QList<KTDesktopEntry> applications,
                     QWidget *parent = nullptr);
    ~KTOpenWithDialog() override;

    Ui::KTOpenWithDialog &ui() const { return *m_ui; }
    // The selected application once the dialog is accepted.
    std::optional<KTDesktopEntry> chosen() const;

private:
    std::unique_ptr<Ui::KTOpenWithDialog> m_ui;
    QList<KTDesktopEntry> m_applications;
};
