// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged and forged boxes, each fixture named after the fault it holds: every one is refused
// as "Password incorrect or header damaged" before anything is written.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "engine/EngineFixture.h"
#include "engine/HostileBoxes.h"
#include "util/Failure.h"

namespace {
std::atomic<bool> trackAllocations{false};
std::atomic<size_t> largestAllocation{0};

void* TrackedAllocate(std::size_t size) noexcept {
    if (trackAllocations.load(std::memory_order_relaxed)) {
        size_t seen = largestAllocation.load(std::memory_order_relaxed);
        while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

// Records the largest single allocation while tracking is on. Every unaligned form is
// replaced, so that nothing allocated by one runtime is released by another (sanitizers bring
// their own). The compiler cannot tell that these pair malloc with free, hence the pragma.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// clang-format off
void* operator new(std::size_t size) {
    if (void* p = TrackedAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return TrackedAllocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return TrackedAllocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
// clang-format on
#pragma GCC diagnostic pop

namespace vko::test {
namespace {

namespace fs = std::filesystem;

class HostileBoxTest : public EngineFixture {
protected:
    std::string HostileBox(const Hostile& fixture) {
        BoxLayout layout = BaseLayout(fixture.version);
        fixture.damage(layout);
        return Forge(layout, std::string(fixture.name) + ".vkx");
    }
};

// The undamaged bases read, so each fixture fails for its damage alone. Reading a fixture never
// allocates more than the file holds.
TEST_F(HostileBoxTest, EveryFixtureIsRefusedAndWritesNothing) {
    for (const uint8_t version : {0, 1, 2}) {
        const std::string target = dir / ("base" + std::to_string(version));
        EXPECT_EQ(engine.ExtractBlock(Forge(BaseLayout(version)), target, kPassword), 0);
        EXPECT_EQ(ReadTree(target), (Tree{{"a.txt", "hello"}, {"sub/b.txt", "world!"}}));
    }
    const std::string target = dir / "parent/target";
    fs::create_directories(dir / "parent");
    for (const Hostile& fixture : HostileBoxes()) {
        SCOPED_TRACE(fixture.name);
        const std::string path = HostileBox(fixture);
        const Tree before = Listing(dir.Str());

        largestAllocation = 0;
        trackAllocations = true;
        const int16_t viewed = engine.ViewBlock(path, kPassword);
        trackAllocations = false;
        EXPECT_EQ(viewed, 1);
        EXPECT_LE(largestAllocation.load(), std::max<size_t>(fs::file_size(path), 4096));

        host.messages.clear();
        EXPECT_EQ(engine.ExtractBlock(path, target, kPassword), 1);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, kHeaderDamagedMessage);
        EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::Information);
        EXPECT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 1);
        EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);
        EXPECT_EQ(Listing(dir.Str()), before);
    }
}

}  // namespace
}  // namespace vko::test
