#pragma once
// Main: the connection window (an MDI working window). It holds the address
// box, the history list, the Connect/Cancel/Disconnect button, the socket and
// the session's three timers.

#include "core/form.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTcpSocket;
class QTimer;

class Main : public Form {
    Q_OBJECT
public:
    Main();
    ~Main() override;

    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtIpAdd = nullptr;
    QPushButton* Command1 = nullptr;
    QListWidget* lstIpHistory = nullptr;
    QTcpSocket* Winsock1 = nullptr;
    QTimer* tmrSleep = nullptr;
    QTimer* tmrStatus = nullptr;
    QTimer* tmrResponse = nullptr;

protected:
    bool isMdiChild() const override { return true; }
    void onUnload() override;
};
