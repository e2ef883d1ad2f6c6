#include "KeyWatch.h"

#include "Settings.h"

namespace testsupport {

KeyWatch::KeyWatch(Settings &s, const QString &key) : store(s), observer(key)
{
    store.registerKey(key, &observer);
}

KeyWatch::~KeyWatch()
{
    store.unregisterObserver(&observer);
}

} // namespace testsupport
