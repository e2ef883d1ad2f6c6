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

// Copies the working copy to target. An existing target is first moved to
// its backup, replacing an older backup; when the copy then fails, the
// partial copy is removed and the backup is moved back. Refuses (false,
// nothing moved) a target that is the working copy itself. The caller
// writes the project out (Settings::sync) before and clears its dirty flag
// after a successful copy.
bool saveCopy(const QString &workingCopy, const QString &target);

} // namespace ProjectFiles
