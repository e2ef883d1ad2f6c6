#pragma once

#include <QString>

// The working copy of the project. The program edits a copy in the per-user
// data directory, never the file a user opened: loading copies the file
// over the working copy, saving copies the working copy to the target
// (ProjectFiles::saveCopy keeps the target's old content as ".fbk"). New
// projects start from the template "default.fm" in the same directory,
// which is written from the built-in template when it is missing.
//
// Every application ini has a working copy of its own, so that two
// instances of the program, each on its own ini, never write one file:
// "working.fm" for the default ini, "working-<name>.fm" for "<name>.ini" in
// the per-user data directory ("-i lab.ini": "working-lab.fm"), and
// "working-<name>-<8 hex digits of its real path>.fm" for any other
// ("-i /etc/lab.ini", "-i lab", "-i läb.ini": "working-l_b-....fm"). An ini
// is named by the file it really is, links followed, so one ini reached by
// two paths has one working copy. One instance at a time runs on an ini
// (InstanceLock, beside the working copy).
//
// A copy over the working copy (or over a new project file) goes to a side
// file of its own in the same directory first ("<name>.XXXXXX.part", never
// a file someone else made), so an unreadable source or a full disk never
// costs the file it was to replace; the side file then takes the target's
// place in one rename. A target that is a symbolic link stays one: the file
// it leads to is replaced. GUI thread only.
class WorkingCopy
{
public:
    // The working copy of the instance on the application ini `ini` (an
    // absolute path, as AppIni::path gives it), in the per-user data
    // directory.
    static QString path(const QString &ini);
    // "<per-user data directory>/default.fm", made from the built-in
    // template (":/default.fm") when it does not exist.
    static QString defaultTemplate();

    // Copies source to a new side file beside target; false (target
    // untouched, no side file left) when that fails. The side file's path
    // goes to *side.
    static bool copyToSide(const QString &source, const QString &target, QString *side);
    // Puts the side file in place of target, replacing it in one step; false
    // (target and side file as they were) when that fails.
    static bool replaceWith(const QString &side, const QString &target);
};
