#include "forms/login/frmLogin.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <exception>
#include <limits>

#include "common/SystemNames.h"
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "db/Wipe.h"
#include "forms/login/PasswordStarStyle.h"
#include "forms/login/Rgb32Picture.h"
#include "forms/main/frmMain.h"
#include "gui/EventGuard.h"
#include "gui/WaitCursor.h"
#include "runtime/MsgBox.h"
#include "runtime/Twips.h"

namespace forms {

namespace {

// Window and control geometry as designed, in twips.
constexpr int ClientWidth = 6810;
constexpr int ClientHeight = 4320;
// Qt cuts a line edit at 32767 characters unless told otherwise; the boxes have no limit.
constexpr int NoLengthLimit = std::numeric_limits<int>::max();

void placeInTwips(QWidget& widget, int left, int top, int width, int height)
{
    widget.setGeometry(runtime::twipsToPixels(left), runtime::twipsToPixels(top), runtime::twipsToPixels(width),
                       runtime::twipsToPixels(height));
}

QPushButton* commandButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Neither button answers Enter or Esc.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* caption(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

}  // namespace

frmLogin* frmLogin::Show()
{
    auto* window = new frmLogin;
    window->show();
    // Centred once shown, when the frame is known, so that the whole window sits in the middle.
    window->centreOnScreen();
    return window;
}

frmLogin::frmLogin()
    : QWidget(nullptr,
              Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)
{
    setObjectName(QStringLiteral("frmLogin"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("登录"));
    setWindowIcon(QIcon(rgb32Picture(QStringLiteral(":/login/icon.rgb32"), QSize(16, 16))));
    setFixedSize(runtime::twipsToPixels(ClientWidth), runtime::twipsToPixels(ClientHeight));
    QFont song(QStringLiteral("宋体"));
    song.setPointSize(9);
    song.setWeight(QFont::Normal);
    setFont(song);
    createControls();
    txtServer->setFocus();
}

void frmLogin::createControls()
{
    // Created bottom to top: the picture lies beneath everything else.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(rgb32Picture(QStringLiteral(":/login/background.rgb32"), QSize(467, 309)));
    Image1->setScaledContents(false);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeInTwips(*Image1, 0, 0, 7005, 4635);

    Label1 = caption(QStringLiteral("Label1"), QStringLiteral("服务器："), this);
    placeInTwips(*Label1, 2700, 2130, 1095, 180);

    txtServer = new QLineEdit(QStringLiteral("(local)"), this);
    txtServer->setObjectName(QStringLiteral("txtServer"));
    txtServer->setMaxLength(NoLengthLimit);
    placeInTwips(*txtServer, 3720, 2055, 2685, 330);

    Label2 = caption(QStringLiteral("Label2"), QStringLiteral("SA密码："), this);
    placeInTwips(*Label2, 2700, 2655, 1095, 180);

    txtPass = new QLineEdit(this);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setMaxLength(NoLengthLimit);
    txtPass->setEchoMode(QLineEdit::Password);
    auto* starStyle = new PasswordStarStyle;
    starStyle->setParent(txtPass);
    txtPass->setStyle(starStyle);
    placeInTwips(*txtPass, 3720, 2580, 2685, 330);

    Cmd_OK = commandButton(QStringLiteral("Cmd_OK"), QStringLiteral("确定"), this);
    placeInTwips(*Cmd_OK, 4110, 3810, 975, 375);

    Cmd_Exit = commandButton(QStringLiteral("Cmd_Exit"), QStringLiteral("退出"), this);
    placeInTwips(*Cmd_Exit, 5430, 3810, 975, 375);

    // Screen readers name each box by its label; without a '&' in the text nothing shows it.
    Label1->setBuddy(txtServer);
    Label2->setBuddy(txtPass);

    setTabOrder(txtServer, txtPass);
    setTabOrder(txtPass, Cmd_OK);
    setTabOrder(Cmd_OK, Cmd_Exit);

    connect(Cmd_OK, &QPushButton::clicked, this, [this] { gui::runGuarded([this] { Cmd_OK_Click(); }); });
    connect(Cmd_Exit, &QPushButton::clicked, this, [this] { gui::runGuarded([this] { Cmd_Exit_Click(); }); });
}

void frmLogin::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(available.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

void frmLogin::Cmd_OK_Click()
{
    // Any failure from here on ends in the one fixed message, and the window stays for another try.
    try {
        if (txtServer->text().isEmpty()) {
            runtime::MsgBox("请输入服务器名称！", runtime::MsgBoxStyle::OkOnly, "登陆提示");
            txtServer->setFocus();
            return;
        }
        // Busy from the open to the loaded list; ends before the message below.
        const gui::WaitCursor busy;
        // A failed open has already been shown by ConnectDB; the switch below fails on the closed
        // connection and leads to the message.
        // The box keeps its text for another try; the copies made here are wiped once sent.
        QByteArray typed = txtPass->text().toUtf8();
        std::string password(typed.constData(), static_cast<std::size_t>(typed.size()));
        typed.fill('\0');
        const db::WipeOnExit wiped(password);
        ModFunction::ConnectDB(txtServer->text().toStdString(), std::string(common::adminLogin), password);
        db::TaskOperations::useTaskDatabase(*ModMain::Conn);
        frmMain::Show();
        close();
    } catch (const std::exception&) {
        runtime::MsgBox("请确认该服务器上正确安装了Q6产品！", runtime::MsgBoxStyle::Information, "提示");
    }
}

void frmLogin::Cmd_Exit_Click()
{
    ModFunction::CloseDB();
    close();
}

}  // namespace forms
