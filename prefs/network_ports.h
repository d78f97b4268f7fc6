#pragma once

#include <QString>
#include <QStringList>

// The network ports the user added, kept in group "NetworkPorts" of the store as keys 1..N, each
// an address such as rfc2217://shop12.lan:7000 or socket://10.0.0.5:4001.
namespace prefs {

// The stored addresses in the order of their keys, read anew on every call; values that are not
// a network port's address, and repeats, are left out.
QStringList NetworkPorts();
// Stores addresses as the whole list, in place of the one there; false when it could not be
// written.
bool SaveNetworkPorts(const QStringList& addresses);
// Adds address at the end of the stored list unless it is there already; false when it is not a
// network port's address or the list could not be written.
bool AddNetworkPort(const QString& address);
// Takes address out of the stored list; false when the list could not be written.
bool RemoveNetworkPort(const QString& address);

}  // namespace prefs
