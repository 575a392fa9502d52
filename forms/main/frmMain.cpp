#include "forms/main/frmMain.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <memory>

#include "forms/main/CommandToolBar.h"
#include "forms/main/ImageList.h"
#include "forms/main/ProcessPicture.h"
#include "forms/main/SystemDate.h"
#include "forms/main/TaskGrid.h"
#include "gui/EventGuard.h"
#include "runtime/Twips.h"

namespace forms {

namespace {
using runtime::twipsToPixels;

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

constexpr int ClientWidth = 9465;
constexpr int ClientHeight = 6750;
constexpr int PanelWidth = 3000;

// The frames show the window colours rather than the dialog face.
void useWindowColours(QWidget* frame)
{
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Base);
    frame->setForegroundRole(QPalette::Text);
}
}  // namespace

frmMain* frmMain::Show()
{
    std::unique_ptr<frmMain> window(new frmMain);
    window->Form_Load();
    window->show();
    return window.release();
}

frmMain::frmMain()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("直接清除异常任务"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ImageList1::icon(ImageList1::Index::Delete));
    setFixedSize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight));
    createControls();
    centreOnScreen();
}

QLabel* frmMain::Panel(int index) const { return index >= 1 && index <= 3 ? panels_[index - 1] : nullptr; }

void frmMain::createControls()
{
    createToolBar();
    createProgressPanel();

    Frame2 = new QGroupBox(QStringLiteral("当前任务"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipsRect(30, 630, 9405, 5655));
    useWindowColours(Frame2);

    MSHF_Task = new TaskGrid(Frame2);
    MSHF_Task->setObjectName(QStringLiteral("MSHF_Task"));
    MSHF_Task->setGeometry(twipsRect(90, 210, 9225, 5355));
    // Screen readers call the grid by the frame's caption, which is what names it on the screen.
    MSHF_Task->setAccessibleName(Frame2->title());
    // The grid, not the toolbar, has the focus when the window opens: no focus frame shows at rest.
    MSHF_Task->setFocus();

    createStatusBar();
    // The progress panel lies over the frame in the design, though nothing ever shows it.
    fraProcess->raise();
}

void frmMain::createToolBar()
{
    using namespace forms::ImageList1;
    Toolbar1 = new CommandToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(twipsRect(0, 0, ClientWidth, 570));
    Toolbar1->addButton(QStringLiteral("LOGIN"), QStringLiteral("登陆"), QStringLiteral("重新登陆帐套"),
                        icon(Index::Login));
    Toolbar1->addSeparator();
    Toolbar1->addDropDownButton(QStringLiteral("DELETE"), QStringLiteral("清除"), QStringLiteral("清除异常任务"),
                                icon(Index::Delete),
                                {{QStringLiteral("DELERROR"), QStringLiteral("清除异常")},
                                 {QStringLiteral("DELALL"), QStringLiteral("清除所有")}});
    Toolbar1->addSeparator();
    Toolbar1->addButton(QStringLiteral("REF"), QStringLiteral("刷新"), {}, icon(Index::Refresh))
        ->setShortcut(QKeySequence(Qt::Key_F5));
    Toolbar1->addSeparator();
    Toolbar1->addButton(QStringLiteral("EXIT"), QStringLiteral("退出"), {}, icon(Index::Exit));

    connect(Toolbar1, &CommandToolBar::ButtonClick, this,
            [this](const QString& key) { gui::runGuarded([this, key] { Toolbar1_ButtonClick(key); }); });
    connect(Toolbar1, &CommandToolBar::ButtonMenuClick, this,
            [this](const QString& key) { gui::runGuarded([this, key] { Toolbar1_ButtonMenuClick(key); }); });
}

void frmMain::createProgressPanel()
{
    fraProcess = new QFrame(this);
    fraProcess->setObjectName(QStringLiteral("fraProcess"));
    fraProcess->setGeometry(twipsRect(1350, 2520, 5655, 1035));
    fraProcess->setFrameShape(QFrame::Box);
    useWindowColours(fraProcess);

    ImgProcess = new QLabel(fraProcess);
    ImgProcess->setObjectName(QStringLiteral("ImgProcess"));
    ImgProcess->setGeometry(twipsRect(120, 240, 690, 660));
    ImgProcess->setScaledContents(true);
    ImgProcess->setPixmap(laptopChartPicture(ImgProcess->size()));

    LabCheck = new QLabel(QStringLiteral("正在处理数据请稍候....................."), fraProcess);
    LabCheck->setObjectName(QStringLiteral("LabCheck"));
    LabCheck->setGeometry(twipsRect(840, 600, 4695, 255));

    fraProcess->hide();
}

void frmMain::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(twipsRect(0, 6345, ClientWidth, 405));
    const QString designTexts[] = {QStringLiteral("V62、D65系列年结检测工具"), QStringLiteral("Q6产品支持部"),
                                   QString()};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(designTexts[i], StatusBar1);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i]->setMinimumWidth(twipsToPixels(PanelWidth));
        panels_[i]->setFrameShape(QFrame::Panel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panels_[i]);
    }
}

void frmMain::centreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmMain::Form_Load()
{
    Panel(3)->setText(QStringLiteral("日期：") + SystemDate::today().toString(QStringLiteral("yyyy-MM-dd")));
    RefreshTaskList();
}

}  // namespace forms
