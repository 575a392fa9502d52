// The memory budgets sessions and the server share: charges fit or are refused whole, and what
// another holder keeps counts against the limit.
#include <gtest/gtest.h>

#include "taskstore/engine/MemoryBudget.h"

using taskstore::MemoryBudget;
using taskstore::MemoryCharge;

TEST(MemoryBudget, ChargesFitBesideWhatIsHeldElsewhere)
{
    std::size_t elsewhere = 300;
    std::size_t lastTotal = 0;
    MemoryBudget budget(
        1000, [&] { return elsewhere; }, [&](std::size_t total) { lastTotal = total; }, 200);
    EXPECT_TRUE(budget.tryCharge(500));
    EXPECT_EQ(lastTotal, 500u);
    EXPECT_FALSE(budget.tryCharge(201));  // 500 + 201 + 300 held elsewhere > 1000
    EXPECT_TRUE(budget.tryCharge(200));
    elsewhere = 0;
    EXPECT_FALSE(budget.tryCharge(101));  // 200 stay kept for the other holder
    EXPECT_TRUE(budget.tryCharge(100));
    budget.release(800);
    EXPECT_EQ(budget.charged(), 0u);
    EXPECT_EQ(lastTotal, 0u);
    EXPECT_FALSE(budget.tryCharge(static_cast<std::size_t>(-1)));
}

TEST(MemoryBudget, AChargeTakesBothBudgetsOrNeither)
{
    MemoryBudget session(100);
    MemoryBudget server(150);
    {
        const MemoryCharge first(&session, &server, 80);
        EXPECT_TRUE(first.ok());
        MemoryBudget otherSession(100);
        const MemoryCharge refusedByServer(&otherSession, &server, 80);
        EXPECT_FALSE(refusedByServer.ok());
        EXPECT_EQ(otherSession.charged(), 0u);
        const MemoryCharge refusedBySession(&session, &server, 30);
        EXPECT_FALSE(refusedBySession.ok());
        EXPECT_EQ(server.charged(), 80u);
    }
    EXPECT_EQ(session.charged(), 0u);
    EXPECT_EQ(server.charged(), 0u);

    MemoryCharge growing(&session, &server, 0);
    EXPECT_TRUE(growing.growTo(60));
    EXPECT_FALSE(growing.growTo(120));  // past the session's 100: nothing more taken
    EXPECT_EQ(growing.bytes(), 60u);
    EXPECT_EQ(server.charged(), 60u);
    MemoryCharge moved = std::move(growing);
    EXPECT_EQ(server.charged(), 60u);
    moved.release();
    EXPECT_EQ(session.charged(), 0u);
    EXPECT_EQ(server.charged(), 0u);
}
