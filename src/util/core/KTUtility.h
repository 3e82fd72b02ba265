#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QPainterPath;

// Class operations shared by the other parts. Every one is callable from any
// thread and keeps no state between calls.
class KTUtility
{
public:
    KTUtility() = delete;

    // Posts a notification on the main thread, later, without waiting; a
    // missing object becomes the null object. Callable from any thread.
    static void kt_doPerformNotification(const QString &name, const QVariant &object = {});
    // The main-thread half: posts [name, object] to the default centre.
    static void kt_PerformNotification(const QVariantList &nameAndObject);

    // Length of the file at path, following links; 0 when it cannot be
    // determined. Only regular files are ever opened (a FIFO would block).
    static quint64 fileSizeByPath(const QString &path);
    // Size recorded for the entry itself (lstat: a link's own length, a
    // folder's own record); 0 when the call fails.
    static qint64 kt_filesizeWithPath(const QString &path);
    // Sum of kt_filesizeWithPath over every entry below the folder, at all
    // depths; links are counted, never descended into. 0 when nothing is there.
    static qint64 kt_FolderSizeWithPath(const QString &path);
    // True when a folder exists at path; a link to a folder counts.
    static bool kt_IsDirectoryAtPath(const QString &path);
    // Names of the entries directly inside the folder, hidden ones included,
    // in the order the file system lists them; nothing when it cannot be read.
    static std::optional<QStringList> kt_ContentsOfDirectory(const QString &path);

    // The two path helpers below need QtGui, so they live in the widgets
    // library (KTUtilityPaths.cpp), not in the core.

    // A copy of the path, element by element, closed at the end when its
    // last subpath was left open; nothing for a path without elements.
    static std::optional<QPainterPath> kt_DrawQuartzWithBezierPath(const QPainterPath &path);
    // A closed circle of the radius whose bounding box starts at the origin:
    // (0, 0) to (2 * radius, 2 * radius).
    static QPainterPath kt_DrawCircleWithRadius(double radius);
};
