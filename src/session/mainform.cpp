#include "session/mainform.h"
#include "session/connection.h"
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
// PLACEHOLDER: replaced by the session work.
Main::Main() {
    Image1 = new QLabel(this);
    Image2 = new QLabel(this);
    Label1 = new QLabel(this);
    Label2 = new QLabel(this);
    Label3 = new QLabel(this);
    Label4 = new QLabel(this);
    txtIpAdd = new QLineEdit(this);
    Command1 = new QPushButton(QStringLiteral("Connect"), this);
    lstIpHistory = new QListWidget(this);
    Winsock1 = new QTcpSocket(this);
    tmrSleep = new QTimer(this);
    tmrStatus = new QTimer(this);
    tmrResponse = new QTimer(this);
}
Main::~Main() = default;
void Main::onUnload() {}
namespace Global {
void AddIpToHistory(const QString&) {}
void LoadIpHistory() {}
void SaveIpHistory() {}
void ShowConnecting() {}
void DisableConnectButton() {}
void EnableConnectButton() {}
} // namespace Global
UnitAddress ParseUnitAddress(const QString& address) {
    return UnitAddress{address, 23};
}
