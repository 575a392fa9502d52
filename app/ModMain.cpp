#include "app/ModMain.h"

#include "forms/login/frmLogin.h"

namespace ModMain {

void Main() { forms::frmLogin::Show(); }

}  // namespace ModMain
