#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class KTUnarchiveViewController;
class QTimer;
class QWidget;

// Drives the extraction screen the way a user does: drops files on its
// drop target and answers its password dialog with the dialog's own controls.
class KTScreenDriver
{
public:
    // Sends a drag-enter and a drop of the files to the drop target and
    // delivers the notification it posts; the drop's acceptance.
    static bool dropFiles(KTUnarchiveViewController &screen, const QStringList &paths);

    // From now on, answers every password dialog the screen shows: types
    // the text and presses OK, or presses Cancel when there is no text.
    // Returns the timer doing it (owned by the screen); counts answers.
    // The dialog runs its own event loop: checks meant for while it is
    // open go in whileOpen, run just before each answer.
    static QTimer *answerPasswords(KTUnarchiveViewController &screen, std::optional<QString> text, int *answered = nullptr,
                                   std::function<void()> whileOpen = {});

    // Waits until the screen is idle again (no job, no tree build).
    static bool waitUntilIdle(KTUnarchiveViewController &screen, int timeoutMs = 60000);
};
