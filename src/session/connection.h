#pragma once
// The connection window's shared procedures and the address rule.

#include <QString>

namespace Global {
void AddIpToHistory(const QString& address);
void LoadIpHistory();
void SaveIpHistory();
void ShowConnecting();
void DisableConnectButton();
void EnableConnectButton();
} // namespace Global

// "host" connects to port 23; "host:port" (exactly one colon, a port of 1 to
// 65535) to that port. Anything else, an IPv6 address included, is a host.
struct UnitAddress {
    QString host;
    quint16 port = 23;
};
UnitAddress ParseUnitAddress(const QString& address);
