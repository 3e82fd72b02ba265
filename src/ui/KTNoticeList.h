#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QVBoxLayout;

// Quiet one-line remarks about what is shown (where it lives, what was left
// out, what could be read better), each with an optional button that acts on
// it. Hidden while it holds none.
class KTNoticeList : public QWidget
{
    Q_OBJECT
public:
    explicit KTNoticeList(QWidget *parent = nullptr);

    // details, when given, is the line's tooltip. The button, when actionTitle
    // is given, calls action; the line stays until clear().
    QWidget *addNotice(const QString &text, const QString &details = {},
                       const QString &actionTitle = {}, std::function<void()> action = {});
    void clear();
    int count() const;
    // The texts of the lines, in order.
    QStringList texts() const;

private:
    QVBoxLayout *m_layout;
};
