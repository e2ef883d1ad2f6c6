#pragma once

#include <QtGlobal>

// Fixed-width unsigned types used in interfaces: a MAC address is u8[6],
// an IPv4 address u32, a port u16.
using u8 = quint8;
using u16 = quint16;
using u32 = quint32;
