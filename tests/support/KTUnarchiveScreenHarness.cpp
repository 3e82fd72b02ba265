#include "support/KTUnarchiveScreenHarness.h"

#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/tree/KTFileDataCollection.h"

#include <QFile>
#include <QTest>

KTUnarchiveScreenHarness::KTUnarchiveScreenHarness()
    : m_tmp(m_dir.freshFolder())
    , m_prefs(kt_testPreferences())
{
}

KTUnarchiveScreenHarness::~KTUnarchiveScreenHarness()
{
    m_window.reset();
    qunsetenv("TMPDIR");
    KTFileDataCollection::shareInstance().startOver();
}

bool KTUnarchiveScreenHarness::start()
{
    if (m_tmp.isEmpty())
        return false;
    m_window = std::make_unique<KTWindowController>(*m_prefs);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return false;
    qputenv("TMPDIR", QFile::encodeName(m_tmp));
    return true;
}

KTUnarchiveViewController &KTUnarchiveScreenHarness::screen()
{
    return *m_window->unarchiveViewController();
}
