#pragma once
// The login window: asks for the SQL Server's name and the SA password, logs on and opens the
// main window. Created when shown and destroyed when closed, so each showing starts afresh.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace forms {

class frmLogin : public QWidget {
public:
    // Creates a fresh login window, shows it modeless, centred on the screen, and returns it.
    static frmLogin* Show();

private:
    frmLogin();
    void createControls();
    void centreOnScreen();

    void Cmd_OK_Click();
    void Cmd_Exit_Click();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtServer = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtPass = nullptr;
    QPushButton* Cmd_OK = nullptr;
    QPushButton* Cmd_Exit = nullptr;
};

}  // namespace forms
