#pragma once

#include "RecordReader.h"

#include <QSettings>

// A RecordReader over a QSettings object whose group is already open on the
// record's group. It opens and closes sub-groups while listing them, so the
// caller must hold the store's lock for as long as this object is used.
class SettingsGroupReader : public RecordReader
{
public:
    explicit SettingsGroupReader(QSettings &settings) : s(settings) {}

    QVariant value(const QString &key, const QVariant &def = QVariant()) const override
    {
        return s.value(key, def);
    }
    bool contains(const QString &key) const override { return s.contains(key); }
    QStringList childKeys(const QString &subgroup = QString()) const override
    {
        if (subgroup.isEmpty())
            return s.childKeys();
        s.beginGroup(subgroup);
        const QStringList keys = s.childKeys();
        s.endGroup();
        return keys;
    }

private:
    QSettings &s;
};
