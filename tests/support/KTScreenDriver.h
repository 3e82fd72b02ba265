#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class KTPasswordDialog;
class KTUnarchiveViewController;

// Drives the extraction screen the way a user does: drops files on its
// drop target and answers its password dialog with the dialog's own controls.
class KTScreenDriver
{
public:
    // Sends a drag-enter and a drop of the files to the drop target and
    // delivers the notification it posts; the drop's acceptance.
    static bool dropFiles(KTUnarchiveViewController &screen, const QStringList &paths);

    // From now on, runs fn each time the screen's password dialog is shown,
    // inside the dialog's own event loop (as soon as it runs), where fn may
    // answer it or close the window.
    static void whenPasswordDialogShows(KTUnarchiveViewController &screen, std::function<void(KTPasswordDialog *)> fn);

    // From now on, answers every password dialog the screen shows: types
    // the text and presses OK, or presses Cancel when there is no text;
    // counts answers.
    static void answerPasswords(KTUnarchiveViewController &screen, std::optional<QString> text, int *answered = nullptr);

    // Waits until the screen is idle again (no job, no tree build).
    static bool waitUntilIdle(KTUnarchiveViewController &screen, int timeoutMs = 60000);
};
