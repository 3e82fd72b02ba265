#pragma once

#include <QCoreApplication>

class QLabel;
class QPushButton;
class QWidget;
struct KTExtractionError;

// The end of a failed job on the extraction screen: the error line, the
// cause beneath with the error's detail as its tooltip, and the ways on,
// "Show What Was Extracted" after damage and "Try Again" after a wrong or
// missing password.
class KTFailureNotice
{
    Q_DECLARE_TR_FUNCTIONS(KTFailureNotice)
public:
    // The buttons are made hidden, as children of screen.
    KTFailureNotice(QLabel *errorLine, QLabel *causeLine, QWidget *screen);

    QPushButton *showPartialButton() const { return m_showPartialButton; }
    QPushButton *tryAgainButton() const { return m_tryAgainButton; }

    // The lines at once; alert() once they are placed.
    void show(const KTExtractionError &error, bool offersPartial, bool offersTryAgain);
    // Tells a screen reader of the lines shown, without moving the focus.
    void alert();
    void hide();

private:
    QLabel *m_errorLine;
    QLabel *m_causeLine;
    QPushButton *m_tryAgainButton;
    QPushButton *m_showPartialButton;
};
