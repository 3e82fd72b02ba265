#include "ui/KTNoticeList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KTNoticeList::KTNoticeList(QWidget *parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    setVisible(false);
}

QWidget *KTNoticeList::addNotice(const QString &text, const QString &details,
                                 const QString &actionTitle, std::function<void()> action)
{
    auto *line = new QWidget(this);
    auto *row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(text, line);
    label->setObjectName(QStringLiteral("noticeText"));
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setToolTip(details);
    label->setAccessibleDescription(details);
    row->addWidget(label, 1);
    if (!actionTitle.isEmpty()) {
        auto *button = new QPushButton(actionTitle, line);
        button->setObjectName(QStringLiteral("noticeAction"));
        if (action)
            connect(button, &QPushButton::clicked, line, std::move(action));
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    m_layout->addWidget(line);
    setVisible(true);
    return line;
}

void KTNoticeList::clear()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    setVisible(false);
}

int KTNoticeList::count() const
{
    return m_layout->count();
}

QStringList KTNoticeList::texts() const
{
    QStringList texts;
    for (int i = 0; i < m_layout->count(); ++i) {
        if (auto *label = m_layout->itemAt(i)->widget()->findChild<QLabel *>(QStringLiteral("noticeText")))
            texts << label->text();
    }
    return texts;
}
