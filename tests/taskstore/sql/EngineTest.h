#pragma once
// GoogleTest fixtures over EngineFixture, for the many tests that open the same way.
#include "EngineFixture.h"
#include "RecordingSink.h"
#include "TsqlCases.h"

#include <gtest/gtest.h>

#include <memory>

namespace tsqltest {

// A fresh engine; each test opens the sessions it needs.
class EngineTest : public ::testing::Test {
protected:
    EngineFixture fixture;
};

// A fresh engine and one session in VOZUZODI.
class OneSessionTest : public EngineTest {
protected:
    std::unique_ptr<taskstore::Session> session = fixture.session();
};

// One session on the task tables filled with `fixtureSql`.
class TaskTablesTest : public OneSessionTest {
protected:
    TaskTablesTest() { query(*session, fixtureSql); }
};

}  // namespace tsqltest
