#include "app/core/KTDesktopEntry.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QUrl>

namespace {

// The string escapes every value may carry: \s \n \t \r \\ (so a
// backslash inside Exec's quotes is written \\\\).
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        // Anything else is the Exec key's own quoting: kept for it.
        default: out += c; out += next; break;
        }
    }
    return out;
}

bool isTrue(const QString &value)
{
    return value.trimmed() == QLatin1String("true");
}

// The value of key in the user's language: Name[de_DE], then Name[de],
// then Name.
QString localized(const QHash<QString, QString> &group, const QString &key)
{
    const QString locale = QLocale().name();
    const QString language = locale.section(QLatin1Char('_'), 0, 0);
    for (const QString &candidate : {key + QLatin1Char('[') + locale + QLatin1Char(']'),
                                     key + QLatin1Char('[') + language + QLatin1Char(']')}) {
        const auto it = group.constFind(candidate);
        if (it != group.constEnd() && !it->isEmpty())
            return *it;
    }
    return group.value(key);
}

// Deprecated or unknown codes standing alone (%d %D %n %N %v %m) give no
// argument at all.
bool isDroppedCode(const QString &argument)
{
    return argument.size() == 2 && argument.startsWith(QLatin1Char('%')) && argument != QLatin1String("%%")
        && argument != QLatin1String("%c") && argument != QLatin1String("%k");
}

} // namespace

std::optional<KTDesktopEntry> KTDesktopEntry::read(const QString &path, const QString &id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QHash<QString, QString> group;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            // Only the first group counts; actions and the rest follow it.
            if (inEntry)
                break;
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!group.contains(key))
            group.insert(key, unescapeValue(line.mid(equals + 1).trimmed()));
    }
    if (group.value(QStringLiteral("Type")) != QLatin1String("Application"))
        return std::nullopt;
    const std::optional<QStringList> exec = splitExec(group.value(QStringLiteral("Exec")));
    if (!exec || exec->isEmpty())
        return std::nullopt;

    KTDesktopEntry entry;
    entry.m_id = id;
    entry.m_path = path;
    entry.m_name = localized(group, QStringLiteral("Name"));
    if (entry.m_name.isEmpty())
        entry.m_name = id;
    entry.m_icon = group.value(QStringLiteral("Icon"));
    entry.m_exec = *exec;
    entry.m_mimeTypes = group.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    entry.m_hidden = isTrue(group.value(QStringLiteral("Hidden"))) || isTrue(group.value(QStringLiteral("NoDisplay")));
    entry.m_terminal = isTrue(group.value(QStringLiteral("Terminal")));
    return entry;
}

std::optional<QStringList> KTDesktopEntry::splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\')) {
                if (i + 1 == exec.size())
                    return std::nullopt;
                current += exec.at(++i);
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments << current;
    return arguments;
}

QStringList KTDesktopEntry::commandFor(const QString &file) const
{
    QStringList command;
    bool fileGiven = false;
    for (const QString &argument : m_exec) {
        if (argument == QLatin1String("%f") || argument == QLatin1String("%F")) {
            command << file;
            fileGiven = true;
        } else if (argument == QLatin1String("%u") || argument == QLatin1String("%U")) {
            command << QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
            fileGiven = true;
        } else if (argument == QLatin1String("%i")) {
            if (!m_icon.isEmpty())
                command << QStringLiteral("--icon") << m_icon;
        } else if (!isDroppedCode(argument)) {
            QString expanded;
            for (qsizetype i = 0; i < argument.size(); ++i) {
                if (argument.at(i) != QLatin1Char('%') || i + 1 == argument.size()) {
                    expanded += argument.at(i);
                    continue;
                }
                const QChar code = argument.at(++i);
                if (code == QLatin1Char('%'))
                    expanded += QLatin1Char('%');
                else if (code == QLatin1Char('c'))
                    expanded += m_name;
                else if (code == QLatin1Char('k'))
                    expanded += m_path;
            }
            command << expanded;
        }
    }
    if (!fileGiven)
        command << file;
    return command;
}
