#pragma once

#include "device/serialadapters.h"

#include <QString>

// How an adapter gets a port number, so that conf_gen.dat keeps storing a
// number: on Linux a link "comN" in the data folder leads to the adapter's
// by-id name (or to its device when it has none), which is where
// serialPortName already looks. On Windows an adapter is a COM port and has
// its number already.
namespace portbinding {

// Port N leads to the adapter now: comN links to its by-id name or its
// device, or (a machine's own port /dev/ttyS(N-1)) no comN stands in the way.
bool leadsTo(int portNumber, const SerialAdapter &adapter);

// What stands at port N and would have to give way to the adapter: the
// target of an installer's own comN link, the comN file itself, or a listed
// /dev/ttyS port. Empty when N is free or leads to the adapter already.
QString occupant(int portNumber, const SerialAdapter &adapter, const QList<SerialAdapter> &adapters);

// The number the adapter is given: the one that leads to it already, else
// the lowest with no comN and no listed /dev/ttyS port behind it.
int numberFor(const SerialAdapter &adapter, const QList<SerialAdapter> &adapters);

// Makes comN lead to the adapter, in place of whatever stood there: a link
// under a temporary name beside it, renamed over comN and put on the disk.
// On failure comN is as it was and *error holds a sentence for the user.
bool bind(int portNumber, const SerialAdapter &adapter, QString *error);

} // namespace portbinding
