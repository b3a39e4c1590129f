#include "domain/SensitiveString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

// How the wipe is observed.
//
// Short texts live inside the object: the test builds the SensitiveString with
// placement new in a byte buffer of its own, runs the destructor explicitly and
// then reads the buffer, which is still ours, so nothing is read after release.
//
// Long texts live on the heap, and once freed their bytes must not be read (the
// sanitizer build would rightly report it). This executable therefore replaces
// the scalar global operator new/delete with thin malloc/free wrappers; the
// delete side inspects one "watched" block just before handing it back to free.
// That observes exactly the contract "zeroed before the storage is released",
// and stays sound under AddressSanitizer: the block is still allocated when it
// is read, and every allocation keeps a matching malloc/free pair (the array and
// aligned forms are left to the runtime, which pairs them with each other).

namespace {

struct WatchedBlock {
    const void* address = nullptr;
    std::size_t length = 0;
    bool released = false;
    bool zeroedAtRelease = false;
};

WatchedBlock gWatched;

void InspectBeforeRelease(void* block) noexcept {
    if (block == nullptr || block != gWatched.address) {
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(block);
    gWatched.released = true;
    gWatched.zeroedAtRelease =
        std::all_of(bytes, bytes + gWatched.length, [](unsigned char b) { return b == 0; });
    gWatched.address = nullptr;
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block) noexcept {
    InspectBeforeRelease(block);
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    InspectBeforeRelease(block);
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    InspectBeforeRelease(block);
    std::free(block);
}

namespace VekLibrary::VekDomain {
namespace {

class SensitiveStringTest : public ::testing::Test {
protected:
    void TearDown() override { gWatched = WatchedBlock{}; }

    // Watches the heap buffer that currently holds the text of `value`.
    static void Watch(const SensitiveString& value) {
        gWatched = WatchedBlock{};
        gWatched.address = value.GetText().data();
        gWatched.length = value.GetText().capacity();
    }
};

// Offset of `needle` inside `bytes`, or `size` when it is not there.
std::size_t Find(const unsigned char* bytes, std::size_t size, const std::string& needle) {
    return static_cast<std::size_t>(std::search(bytes, bytes + size, needle.begin(), needle.end()) -
                                    bytes);
}

TEST_F(SensitiveStringTest, GivesReadAccessAndCopiesLikeAString) {
    const SensitiveString original(std::string("user"));
    SensitiveString copy(original);
    EXPECT_EQ(copy.GetText(), "user");
    const std::string& asString = original;
    EXPECT_EQ(asString, "user");

    SensitiveString assigned;
    EXPECT_EQ(assigned.GetText(), "");
    assigned = copy;
    EXPECT_EQ(assigned.GetText(), "user");
    assigned = SensitiveString(std::string("other"));
    EXPECT_EQ(assigned.GetText(), "other");
    EXPECT_EQ(copy.GetText(), "user");
}

TEST_F(SensitiveStringTest, WipesAShortTextStoredInsideTheObject) {
    const std::string secret = "QZQZQZQZQZ";  // short enough for the inline buffer
    alignas(SensitiveString) unsigned char storage[sizeof(SensitiveString)];
    auto* value = new (storage) SensitiveString(secret);
    const std::size_t offset = Find(storage, sizeof(storage), secret);
    if (offset == sizeof(storage)) {
        value->~SensitiveString();
        GTEST_SKIP() << "this standard library keeps short strings outside the object";
    }

    value->~SensitiveString();
    // Keeps the compiler from reasoning about the buffer across the destructor.
    asm volatile("" : : "r"(storage) : "memory");
    const unsigned char* text = storage + offset;
    EXPECT_TRUE(std::all_of(text, text + secret.size(), [](unsigned char b) { return b == 0; }));
}

TEST_F(SensitiveStringTest, WipesALongTextBeforeItsHeapBufferIsReleased) {
    const std::string secret(200, 'P');
    {
        SensitiveString value(secret);
        ASSERT_EQ(value.GetText(), secret);
        Watch(value);
    }
    EXPECT_TRUE(gWatched.released);
    EXPECT_TRUE(gWatched.zeroedAtRelease);
}

TEST_F(SensitiveStringTest, MoveAssignmentLeavesTheReplacedTextToBeWiped) {
    SensitiveString member(std::string(100, 'A'));
    Watch(member);
    member = SensitiveString(std::string(120, 'B'));
    EXPECT_EQ(member.GetText(), std::string(120, 'B'));
    EXPECT_TRUE(gWatched.released);
    EXPECT_TRUE(gWatched.zeroedAtRelease);
}

TEST_F(SensitiveStringTest, CopyAssignmentLeavesTheReplacedTextToBeWiped) {
    SensitiveString member(std::string(100, 'A'));
    const SensitiveString replacement(std::string(100, 'B'));
    Watch(member);
    member = replacement;
    EXPECT_EQ(member.GetText(), replacement.GetText());
    EXPECT_TRUE(gWatched.released);
    EXPECT_TRUE(gWatched.zeroedAtRelease);
}

TEST_F(SensitiveStringTest, MoveConstructionKeepsOneOwnerOfTheText) {
    SensitiveString source(std::string(100, 'M'));
    Watch(source);
    {
        SensitiveString target(std::move(source));
        EXPECT_EQ(target.GetText(), std::string(100, 'M'));
        EXPECT_FALSE(gWatched.released);
    }
    EXPECT_TRUE(gWatched.released);
    EXPECT_TRUE(gWatched.zeroedAtRelease);
}

}  // namespace
}  // namespace VekLibrary::VekDomain
