#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// One application's desktop entry (freedesktop Desktop Entry
// Specification): what the "Open With…" chooser lists and how it starts the
// application on a file.
class KTDesktopEntry
{
public:
    // Reads the [Desktop Entry] group of the file; nothing when the file
    // cannot be read or is not an application that can be started
    // (Type=Application with an Exec key that parses).
    static std::optional<KTDesktopEntry> read(const QString &path, const QString &id);

    // The desktop file ID ("org.gnome.gedit.desktop").
    QString id() const { return m_id; }
    // The name in the current language, else the untranslated one.
    QString name() const { return m_name; }
    QString icon() const { return m_icon; }
    QStringList mimeTypes() const { return m_mimeTypes; }
    // Hidden or NoDisplay entries, and those needing a terminal: not offered.
    bool offered() const { return !m_hidden && !m_terminal; }

    // The program and its arguments that open the local file, by the Exec
    // key's rules: %f %F %u %U give the file, %i %c %k what they stand for,
    // %% a percent sign; an Exec without a file code gets the file last.
    QStringList commandFor(const QString &file) const;

    // Exec's arguments after the desktop-entry quoting rules; nothing
    // when the quoting is broken.
    static std::optional<QStringList> splitExec(const QString &exec);

private:
    QString m_id;
    QString m_path;
    QString m_name;
    QString m_icon;
    QStringList m_exec;
    QStringList m_mimeTypes;
    bool m_hidden = false;
    bool m_terminal = false;
};
