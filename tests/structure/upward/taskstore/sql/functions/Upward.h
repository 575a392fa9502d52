#pragma once
// A function header that reaches across into the parser, a stage beside it: the layer check must
// report it.
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/parse/Ast.h"
