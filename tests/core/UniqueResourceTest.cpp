// The owning handle wrapper, with a counting stand-in for a system handle.
#include <gtest/gtest.h>

#include <vector>

#include "UniqueResource.h"

namespace {

std::vector<int> gReleased;

struct FakeTraits {
    using Handle = int;
    static bool IsValid(int h) { return h > 0; }
    static void Release(int h) { gReleased.push_back(h); }
};

using Fake = UniqueResource<FakeTraits>;

}  // namespace

TEST(UniqueResource, ReleasesExactlyOnceWhateverHappens)
{
    gReleased.clear();
    {
        Fake a(1);
        Fake b(std::move(a));  // a is empty now
        EXPECT_FALSE(a);
        EXPECT_TRUE(b);
        Fake c(2);
        c = std::move(b);  // 2 goes, 1 moves in
        c.reset(3);        // 1 goes
        int* out = c.put();  // 3 goes; the call fills in a new one
        *out = 4;
        EXPECT_EQ(c.get(), 4);
        Fake d(5);
        EXPECT_EQ(d.release(), 5);  // not released: the caller owns it now
        Fake invalid(-1);           // an empty value is never released
    }
    EXPECT_EQ(gReleased, (std::vector<int>{2, 1, 3, 4}));
}
