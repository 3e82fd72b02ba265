#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;

// A drop target for archives. Dragged local files are offered a copy; on a
// drop every file must be an archive by its name (a known extension, a piece
// of a split set) or, for a program, by its content, and then all the paths
// are posted together as a "filedrop" notification.
class KTFileDropView : public QWidget
{
    Q_OBJECT
public:
    explicit KTFileDropView(QWidget *parent = nullptr);

    // The extensions taken by name: KTArchiveExtensions::opened() unless
    // set; an empty list goes back to those at the next drop.
    QStringList archiverFormat() const { return m_archiverFormat; }
    void setArchiverFormat(const QStringList &formats) { m_archiverFormat = formats; }

    // Judges and posts a drop; true when it is taken (including a drop with
    // no local files, which posts nothing), false when any file is not
    // accepted (then nothing is posted).
    bool performDragOperation(const QMimeData *data);

    // The keyboard's (and assistive technology's) way in: asks for the file
    // dialog through activated().
    void activate();

signals:
    void activated();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringList m_archiverFormat;
};
