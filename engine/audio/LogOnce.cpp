#include "LogOnce.h"

bool LogOnce::isNew(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    if (m_lastPath == path)
        return false;
    m_lastPath = path;
    return true;
}
