#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The log-file paths of the shown RDS source, in the page's `Log` list: the
// files that the channels play one after the other instead of generated RDS.
// A path whose file does not exist is painted light red. GUI thread.
class RDSLogFiles : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit RDSLogFiles(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    void setFiles(const QStringList &files);
    QStringList files() const { return m_files; }
    void addFiles(const QStringList &files);
    // The path of a row, empty outside the list.
    QString fileAt(int row) const;

private:
    QStringList m_files;
};
