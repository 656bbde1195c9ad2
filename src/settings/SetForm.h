#pragma once
// "設定": the chooser between the ID/password window and the server settings window. It stays
// open after either button and is closed with its close box.

#include <QWidget>

#include <functional>

class QPushButton;

class SetForm : public QWidget {
    Q_OBJECT
public:
    SetForm(std::function<void()> openIdPass, std::function<void()> openServer,
            QWidget* parent = nullptr);

    QPushButton* Command1;  // "ID/PASS"
    QPushButton* Command2;  // "POPサーバー"
};
