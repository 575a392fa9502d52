// The start yardstick a newcomer would write: the login window's widgets, texts, font and
// pictures, built the ordinary way (widgets in code, PNG pictures read with QPixmap from a
// resource, nothing warmed up or decoded ahead), at the login window's pixel positions.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("登录"));
    window.setWindowIcon(QIcon(QStringLiteral(":/login/icon.png")));
    window.setFixedSize(454, 288);
    QFont song(QStringLiteral("宋体"));
    song.setPointSize(9);
    window.setFont(song);

    QLabel picture(&window);
    picture.setPixmap(QPixmap(QStringLiteral(":/login/background.png")));
    picture.setGeometry(0, 0, 467, 309);
    QLabel server(QStringLiteral("服务器："), &window);
    server.setGeometry(180, 142, 73, 12);
    QLineEdit serverBox(QStringLiteral("(local)"), &window);
    serverBox.setGeometry(248, 137, 179, 22);
    QLabel password(QStringLiteral("SA密码："), &window);
    password.setGeometry(180, 177, 73, 12);
    QLineEdit passwordBox(&window);
    passwordBox.setEchoMode(QLineEdit::Password);
    passwordBox.setGeometry(248, 172, 179, 22);
    QPushButton ok(QStringLiteral("确定"), &window);
    ok.setGeometry(274, 254, 65, 25);
    QPushButton exit(QStringLiteral("退出"), &window);
    exit.setGeometry(362, 254, 65, 25);

    serverBox.setFocus();
    window.show();
    return QApplication::exec();
}
