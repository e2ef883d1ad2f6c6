#pragma once

#include <QString>

// Project files on disk. The program edits a working copy in the per-user
// data directory, never the file a user opened: loading copies the file
// over the working copy, saving copies the working copy to the target and
// keeps the target's former content as a ".fbk" backup beside it. New
// projects start from the template "default.fm" in the same directory,
// which is written from the built-in template when it is missing.
//
// Every copy goes to a side file ("<name>.part") first, so a full disk or
// an unreadable source never costs the file it was to replace.
// GUI thread only.
class ProjectFiles
{
public:
    // "<per-user data directory>/working.fm".
    static QString workingCopy();
    // "<per-user data directory>/default.fm", made from the built-in
    // template (":/default.fm") when it does not exist.
    static QString defaultTemplate();

    // True for names that end in ".fm" (any letter case) after at least one
    // more character: the only files NEW and SAVE write.
    static bool isProjectName(const QString &path);
    // The backup of a project file: a trailing ".fm" becomes ".fbk"; any
    // other name gets ".fbk" appended.
    static QString backupName(const QString &path);
    // Whether two paths name the same file (the canonical paths when both
    // exist, else the cleaned absolute ones).
    static bool samePath(const QString &a, const QString &b);

    // Copies source to a side file beside target; false (target untouched,
    // no side file left) when that fails. Returns the side file's path in *side.
    static bool copyToSide(const QString &source, const QString &target, QString *side);
    // Puts the side file in place of target, replacing it.
    static bool replaceWith(const QString &side, const QString &target);

    // Saves the project file `source` (the working copy) as target: refused
    // when target is `workingCopy` itself or no project name; otherwise an
    // existing target becomes its backup (replacing an older backup) and the
    // copy takes its place; when that fails the backup is put back.
    static bool save(const QString &source, const QString &target, const QString &workingCopy);
};
