#pragma once

#include <QtGlobal>

// The TMC event catalogue as the engine sees it.

// The cancelling event for the class of the given event, or 128 when the
// event or its class is not in the catalogue. Reads without a lock: the
// catalogue is loaded before any board thread runs and never changes after.
quint16 tmcCancelEvent(quint16 eventCode);
