#pragma once

#include "support/KTTestDirs.h"

#include <QString>

#include <memory>

class KTPreferences;
class KTUnarchiveViewController;
class KTWindowController;

// A real window on the extraction screen, over test preferences, whose
// results go to a fresh folder of its own (TMPDIR). Closes the window, puts
// TMPDIR back and forgets the result when it goes.
class KTUnarchiveScreenHarness
{
public:
    KTUnarchiveScreenHarness();
    ~KTUnarchiveScreenHarness();

    // Opens the window and waits until it is exposed.
    bool start();
    KTWindowController &window() { return *m_window; }
    KTUnarchiveViewController &screen();
    KTPreferences &preferences() { return *m_prefs; }
    KTTestFolder &folder() { return m_dir; }
    // Where results go.
    QString tmp() const { return m_tmp; }

private:
    KTTestFolder m_dir;
    QString m_tmp;
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
};
