#include "db/SharedConnection.h"

db::AutoConnection ModMain::Conn;
