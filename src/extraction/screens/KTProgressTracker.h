#pragma once

#include "util/core/KTTransferEstimate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QLabel;
class QWidget;

// Follows one job's progress in words: the quiet line under the bar (amount
// read, time left) and the window title ("12% — photos.zip").
class KTProgressTracker : public QObject
{
    Q_OBJECT
public:
    // The amount line is made hidden, as a child of screen.
    explicit KTProgressTracker(QWidget *screen);

    QLabel *amountLine() const { return m_amountLine; }
    // "12% — photos.zip" while a job is followed, else empty.
    QString title() const { return m_title; }

    // A job starts on the archive: its fractions are of the size of all its
    // volumes, read from now.
    void start(const QString &archivePath);
    // Fractions count only while a job is followed; the title empties when
    // none is.
    void setFollowing(bool following);
    // The job's fraction: 0 to 1 extracting, to 1.2 reading the result.
    void update(float fraction);
    void hide();

signals:
    void titleChanged(const QString &title);
    // Each fraction that counts.
    void progressChanged(double fraction);

private:
    void setTitle(const QString &title);

    QLabel *m_amountLine;
    QString m_title;
    QString m_archiveName;
    // The job's progress as bytes of the archive read: the job's fraction of
    // that size.
    KTTransferEstimate m_estimate;
    QElapsedTimer m_clock;
    bool m_following = false;
};
