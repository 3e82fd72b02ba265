#pragma once

#include <QString>

// Why a copy or another file operation failed: the system's error number
// and the path it failed on, or a cause of the project's own. A value, which
// the screens turn into words.
struct [[nodiscard]] KTFileOperationError {
    enum class Cause {
        None,
        System,       // errorNumber says why, path where
        IntoItself,   // a folder into itself or below itself, or an item over one that holds it
        SourceKept,   // a move made its copy, but errorNumber kept the source at path from going
    };

    Cause cause = Cause::None;
    int errorNumber = 0;
    QString path;

    bool ok() const { return cause == Cause::None; }
    bool failed() const { return !ok(); }

    static KTFileOperationError system(int errorNumber, const QString &path)
    {
        return {Cause::System, errorNumber, path};
    }
    static KTFileOperationError sourceKept(int errorNumber, const QString &path)
    {
        return {Cause::SourceKept, errorNumber, path};
    }
    static KTFileOperationError intoItself(const QString &path)
    {
        return {Cause::IntoItself, 0, path};
    }
};
