#pragma once
// The main window: toolbar, the task grid in its frame, and the status bar with the date. Created
// when shown and destroyed when closed; closing it asks nothing and leaves the connection open.
#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QStatusBar;

namespace forms {

class CommandToolBar;
class TaskGrid;

class frmMain : public QWidget {
public:
    // Creates the window and runs its load. An error of the load destroys the window and passes
    // to the caller; otherwise the window is shown modeless and returned.
    static frmMain* Show();

    // The status bar's panel by 1-based index.
    QLabel* Panel(int index) const;

private:
    frmMain();
    void createControls();
    void createToolBar();
    void createProgressPanel();
    void createStatusBar();
    void centreOnScreen();

    void Form_Load();
    void RefreshTaskList();
    void Toolbar1_ButtonClick(const QString& key);
    void Toolbar1_ButtonMenuClick(const QString& key);

    CommandToolBar* Toolbar1 = nullptr;
    QFrame* fraProcess = nullptr;
    QLabel* ImgProcess = nullptr;
    QLabel* LabCheck = nullptr;
    QGroupBox* Frame2 = nullptr;
    TaskGrid* MSHF_Task = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* panels_[3] = {};
};

}  // namespace forms
