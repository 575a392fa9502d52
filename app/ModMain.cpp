#include "app/ModMain.h"

#include "forms/login/frmLogin.h"

namespace ModMain {

void Main()
{
    frmLogin::Show();
}

}  // namespace ModMain
