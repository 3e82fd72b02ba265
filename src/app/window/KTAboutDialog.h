#pragma once

#include <QDialog>

#include <memory>

class QProcess;
namespace Ui {
class KTAboutDialog;
}

// Help ▸ About: the application's name and version, the versions of the
// libraries it runs on and of 7-Zip (asked of 7zz itself, without waiting
// for it), and the licence.
class KTAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KTAboutDialog(QWidget *parent = nullptr);
    ~KTAboutDialog() override;

    Ui::KTAboutDialog &ui() const { return *m_ui; }
    // The 7-Zip line's text: "…" until 7zz answered.
    QString sevenZipVersion() const { return m_sevenZip; }

    // "22.01" from 7zz's banner, or empty when the text has none.
    static QString versionFromBanner(const QByteArray &banner);

signals:
    void sevenZipVersionKnown();

private:
    void askSevenZip();
    void showLibraries();

    std::unique_ptr<Ui::KTAboutDialog> m_ui;
    QString m_sevenZip;
};
