// The copies of a password are zeroed where they lie, the whole buffer and not just the text.
#include <gtest/gtest.h>

#include <stdexcept>

#include "db/Wipe.h"

namespace {

template <typename Char>
void expectZeroed(const Char* buffer, std::size_t capacity)
{
    for (std::size_t i = 0; i < capacity; ++i)
        ASSERT_EQ(buffer[i], Char()) << "at " << i;
}

TEST(Wipe, ZeroesTheWholeBufferInPlace)
{
    std::string narrow = "Wire-pw-4711";
    narrow.reserve(100);
    narrow += "-and-more";
    const char* buffer = narrow.data();
    const std::size_t capacity = narrow.capacity();
    db::wipe(narrow);
    EXPECT_TRUE(narrow.empty());
    EXPECT_EQ(narrow.data(), buffer);
    expectZeroed(buffer, capacity);

    std::u16string wide = u"密码-4711-with-some-length";
    const char16_t* wideBuffer = wide.data();
    const std::size_t wideCapacity = wide.capacity();
    db::wipe(wide);
    EXPECT_EQ(wide.data(), wideBuffer);
    expectZeroed(wideBuffer, wideCapacity);
}

TEST(Wipe, AGuardWipesAlsoWhenItsScopeEndsByAnException)
{
    std::string secret(64, 'x');
    const char* buffer = secret.data();
    try {
        const db::WipeOnExit wiped(secret);
        throw std::runtime_error("log-on failed");
    } catch (const std::runtime_error&) {}
    EXPECT_TRUE(secret.empty());
    expectZeroed(buffer, 64);
}

}  // namespace
