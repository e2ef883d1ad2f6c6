#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// Read access to the keys of one INI group of the project file (such as
// "[rds.3]"), keys relative to that group ("name", "eon/2/ps"). The record
// loaders read through it, so that the project model decides how the group
// is reached and under which lock.
class RecordReader
{
public:
    virtual ~RecordReader() = default;
    virtual QVariant value(const QString &key, const QVariant &def = QVariant()) const = 0;
    virtual bool contains(const QString &key) const = 0;
    // Keys directly inside the sub-group path (empty: the group itself), in
    // the order the settings layer lists them.
    virtual QStringList childKeys(const QString &subgroup = QString()) const = 0;
};
