#include "RDSGroupFileReplay.h"

#include <QFileInfo>

void RDSGroupFileReplay::openNext(const QStringList &files)
{
    if (files.isEmpty())
        return;
    QString next;
    if (files.size() == 1) {
        next = files.first();
    } else {
        m_file.close();
        const int last = files.indexOf(m_name);
        next = (last < 0 || last + 1 >= files.size()) ? files.first() : files.at(last + 1);
    }
    m_reader.reset();
    if (m_file.isOpen() && next == m_name) {
        m_file.seek(0);
        return;
    }
    m_file.close();
    // The name is remembered even when the file cannot be opened, so that a
    // missing file does not stop the files after it in the list.
    m_name = next;
    m_file.setFileName(next);
    // Regular files only: opening a named pipe would block the board thread
    // until some writer appears.
    if (QFileInfo(next).isFile() && m_file.open(QIODevice::ReadOnly | QIODevice::Text))
        m_opened = true;
}

bool RDSGroupFileReplay::hasData() const
{
    return m_file.isOpen() && !m_file.atEnd();
}

bool RDSGroupFileReplay::nextLine(QByteArray &line)
{
    if (!m_file.isOpen())
        return false;
    switch (m_reader.readLine(m_file, line, m_budget)) {
    case RDSLineReader::Status::Line:
        return true;
    case RDSLineReader::Status::TooLong:
        line.clear();
        return true;
    case RDSLineReader::Status::End:
    case RDSLineReader::Status::OutOfBudget:
        break;
    }
    return false;
}

void RDSGroupFileReplay::reset()
{
    m_file.close();
    m_name.clear();
    m_reader.reset();
}

bool RDSGroupFileReplay::takeOpenedReport()
{
    const bool opened = m_opened;
    m_opened = false;
    return opened;
}
