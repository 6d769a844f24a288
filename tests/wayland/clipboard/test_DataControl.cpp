// The selection taken through wlr-data-control with no window at all, pasted
// by wl-clipboard's wl-paste, and ended by its wl-copy.
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>

#include "TestSupport.h"
#include "platform/wayland/clipboard/DataControl.h"

namespace {

// Runs Argv to its end while Control answers the pastes; its output.
std::string RunServing(TDataControl& control, const std::vector<std::string>& argv) {
    TProcess process(argv);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (process.Running() && std::chrono::steady_clock::now() < end) {
        pollfd p{control.Fd(), POLLIN, 0};
        poll(&p, 1, 10);
        EXPECT_TRUE(control.Dispatch());
    }
    EXPECT_EQ(process.Wait(), 0) << argv.back() << ": " << process.Stderr();
    return process.Stdout();
}

TOfferedType Counted(const std::string& type, const std::string& bytes, int& made) {
    return {type, [&made, bytes] {
                ++made;
                auto kept = std::make_shared<const std::string>(bytes);
                return TKeptBytes{kept, kept->data(), kept->size()};
            }};
}

} // namespace

TEST(DataControl, EveryTypeIsPastedWholeAndMadeOnce) {
    SKIP_UNLESS_WAYLAND();
    const auto control = TDataControl::Connect();
    ASSERT_TRUE(control);
    ASSERT_TRUE(control->Offered());
    // Far more than a pipe holds: the writer goes on as the reader takes it.
    std::string large(7 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : large) c = char(random());
    const struct {
        std::string Type, Bytes;
    } types[] = {{"image/png", large}, {"text/x-snaprio-test", "words"}};
    int made[std::size(types)] = {};
    std::vector<TOfferedType> offered;
    for (size_t i = 0; i < std::size(types); ++i)
        offered.push_back(Counted(types[i].Type, types[i].Bytes, made[i]));
    ASSERT_TRUE(control->Offer(std::move(offered)));
    EXPECT_EQ(RunServing(*control, {"wl-paste", "--list-types"}),
              "image/png\ntext/x-snaprio-test\n");
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < std::size(types); ++i) {
            const std::string pasted =
                RunServing(*control, {"wl-paste", "-n", "-t", types[i].Type});
            EXPECT_EQ(pasted.size(), types[i].Bytes.size()) << types[i].Type;
            EXPECT_TRUE(pasted == types[i].Bytes) << types[i].Type;
            EXPECT_EQ(made[i], 1) << types[i].Type;
        }
    EXPECT_TRUE(control->Owns());
}

TEST(DataControl, AnotherClientsCopyEndsTheOffer) {
    SKIP_UNLESS_WAYLAND();
    const auto control = TDataControl::Connect();
    ASSERT_TRUE(control);
    int made = 0;
    ASSERT_TRUE(control->Offer({Counted("image/bmp", "BM", made)}));
    EXPECT_EQ(RunServing(*control, {"wl-paste", "-n", "-t", "image/bmp"}), "BM");
    ASSERT_TRUE(control->Owns());
    // In the foreground, so that it ends with the test.
    TProcess copy({"wl-copy", "--foreground", "other words"});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (control->Owns() && std::chrono::steady_clock::now() < end) {
        pollfd p{control->Fd(), POLLIN, 0};
        poll(&p, 1, 10);
        ASSERT_TRUE(control->Dispatch());
    }
    EXPECT_FALSE(control->Owns());
    EXPECT_EQ(RunServing(*control, {"wl-paste", "-n"}), "other words");
}
