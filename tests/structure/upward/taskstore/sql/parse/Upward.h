#pragma once
// A parser header that reaches up into the session: the layer check must report it.
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/session/SqlSession.h"
