#pragma once

#include <QString>

// Saving the working copy of a project under another name, with a backup of
// what was there. The main window's save operation calls these; the control
// server uses the name checks before it asks the main window to save.
// Pure file operations, any thread, no locks.
namespace ProjectFiles {

// Whether a name ends in ".fm" (any letter case): the only files the remote
// control may create or overwrite.
bool isProjectName(const QString &path);

// The backup of a project file: a trailing ".fm" becomes ".fbk"
// ("a.fm.fm" -> "a.fm.fbk"); any other name gets ".fbk" appended.
QString backupName(const QString &path);

// Whether two paths name the same file (also through links or "..").
bool sameFile(const QString &a, const QString &b);

// Copies source to a side file of a name no other file has, in target's
// directory ("<target>.XXXXXX.part"), with source's permissions and
// writable by its owner. False when that fails (a missing or unreadable
// source, a short write on a full disk): then no side file is left and
// nothing else changed. The side file's path goes to *side.
bool copyToSide(const QString &source, const QString &target, QString *side);

// Renames from to to, replacing a file at to in one step (rename(2)):
// at every moment to names either its old or its new content. False, and
// both files as they were, when that fails.
bool renameOver(const QString &from, const QString &to);

// Copies the working copy to target. The copy is made beside target first;
// only when it is complete does the existing target become its backup
// (replacing an older backup) and the copy the target. When anything fails
// the target and the older backup stay as they were. Refuses (false,
// nothing moved) a target that is the working copy itself. The caller
// writes the project out (Settings::sync) before, saves nothing when that
// fails, and clears its dirty flag after a successful copy.
bool saveCopy(const QString &workingCopy, const QString &target);

} // namespace ProjectFiles
