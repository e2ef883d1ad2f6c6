#pragma once

#include <QString>
#include <QStringList>

// One playlist of a project (group "playlist.N"): a name and the absolute
// paths of its files in play order (keys 0, 1, 2, ... of the group).
struct Playlist
{
    QString name;
    QStringList files;

    bool operator==(const Playlist &o) const { return name == o.name && files == o.files; }
    bool operator!=(const Playlist &o) const { return !(*this == o); }
};
