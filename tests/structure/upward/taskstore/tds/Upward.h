#pragma once
// A TDS header that reaches into the engine's folder instead of the engine interface: the
// layer check must report it.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/session/SqlSession.h"
