#include "TmcCatalog.h"

quint16 tmcCancelEvent(quint16 eventCode)
{
    // The event catalogue is not loaded yet: every event cancels with 128.
    Q_UNUSED(eventCode);
    return 128;
}
