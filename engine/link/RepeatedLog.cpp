#include "RepeatedLog.h"

bool RepeatedLog::begin()
{
    return m_count++ == 0;
}

int RepeatedLog::end()
{
    const int n = m_count;
    m_count = 0;
    return n;
}
