#include "extraction/screens/KTFailureNotice.h"

#include "extraction/engine/KTExtractionError.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

KTFailureNotice::KTFailureNotice(QLabel *errorLine, QLabel *causeLine, QWidget *screen)
    : m_errorLine(errorLine)
    , m_causeLine(causeLine)
    , m_tryAgainButton(new QPushButton(tr("Try Again"), screen))
    , m_showPartialButton(new QPushButton(tr("Show What Was Extracted"), screen))
{
    m_tryAgainButton->setObjectName(QStringLiteral("tryAgainButton"));
    m_showPartialButton->setObjectName(QStringLiteral("showPartialButton"));
    hide();
}

void KTFailureNotice::show(const KTExtractionError &error, bool offersPartial, bool offersTryAgain)
{
    const QString cause = error.cause();
    m_errorLine->setText(tr("Extract error or password error, try again!"));
    m_errorLine->show();
    m_causeLine->setText(cause);
    m_causeLine->setToolTip(error.detail);
    m_causeLine->setVisible(!cause.isEmpty());
    m_showPartialButton->setVisible(offersPartial);
    m_tryAgainButton->setVisible(offersTryAgain);
}

void KTFailureNotice::alert()
{
    for (QLabel *line : {m_errorLine, m_causeLine}) {
        if (!line->isHidden()) {
            QAccessibleEvent event(line, QAccessible::Alert);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void KTFailureNotice::hide()
{
    m_errorLine->hide();
    m_causeLine->hide();
    m_showPartialButton->hide();
    m_tryAgainButton->hide();
}
