// The one description of the game's state: every field it names reaches the
// simulator's state lines (when shown), the soak's digest, and the fresh
// program the tests start from.
#include "simulator.h"
#include "soak.h"
#include "support.h"

#include "shell/program_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <type_traits>

namespace {

// Calls the action for every field the description names, with its path,
// whether it is shown, a way to change it and a test of its start value.
class EveryField {
  public:
    using Action = std::function<void(const std::string& path, Shown shown,
                                      const std::function<void()>& disturb,
                                      const std::function<bool()>& isFresh)>;
    explicit EveryField(Action action, std::string path = "")
        : action_(std::move(action)), path_(std::move(path)) {}

    template <typename T, typename Fresh>
    void value(const char* name, T& place, const Fresh& fresh, Shown shown) {
        field(name, place, T(fresh), shown);
    }
    template <typename T> void member(const char* name, T& place, Shown shown) {
        field(name, place, T{}, shown);
    }
    template <typename T> void listedWhile(const char* name, T& flag) {
        field(name, flag, T{}, Shown::No);
    }
    template <typename T> void alone(const char* name, T& place) {
        field(name, place, T{}, Shown::Yes);
    }
    template <typename R, typename Fields>
    void record(const char* name, R& record, Shown, Fields fields) {
        EveryField inner(action_, path_ + name + ".");
        fields(inner, record);
    }
    template <typename R, size_t N, typename Fields>
    void table(const char* name, R (&records)[N], Shown, Fields fields) {
        for (size_t i = 0; i < N; ++i) {
            EveryField inner(action_, path_ + name + "[" + std::to_string(i) + "].");
            fields(inner, records[i]);
        }
    }

  private:
    template <typename T> void field(const char* name, T& place, T fresh, Shown shown) {
        const auto disturb = [&place] {
            if constexpr (std::is_same_v<T, bool>) {
                place = !place;
            } else if constexpr (std::is_pointer_v<T>) {
                place = reinterpret_cast<T>(uintptr_t(place) + 64);
            } else {
                place = T(place + 3);
            }
        };
        const auto isFresh = [&place, fresh] { return place == fresh; };
        action_(path_ + name, shown, disturb, isFresh);
    }

    Action action_;
    std::string path_;
};

class ProgramStateTest : public ::testing::Test {
  protected:
    void SetUp() override { testing_support::freshProgram(); }
    void TearDown() override { testing_support::freshProgram(); }
};

// Every plant cell alive, so that each cell's shown fields are listed.
void everyCellAlive() {
    for (Plant& plant : plants) {
        for (PlantSegment& segment : plant.segments) {
            segment.alive = 1;
        }
    }
}

int leafCount(const nlohmann::json& value) {
    if (!value.is_structured()) {
        return 1;
    }
    int leaves = 0;
    for (const auto& item : value) {
        leaves += leafCount(item);
    }
    return leaves;
}

TEST_F(ProgramStateTest, EveryShownFieldReachesTheStateLineAndEveryFieldTheDigest) {
    everyCellAlive();
    const nlohmann::json before = sim::gameStateFields();
    const uint64_t digestBefore = soak::gameDigest();
    int shown = 0;
    EveryField walk([&](const std::string& path, Shown isShown, const auto& disturb, const auto&) {
        if (path == "mainWindow") {
            return; // a handle: neither shown nor digested
        }
        disturb();
        if (isShown == Shown::Yes) {
            ++shown;
            EXPECT_NE(sim::gameStateFields(), before) << path << " is not in the state line";
        }
        EXPECT_NE(soak::gameDigest(), digestBefore) << path << " is not in the digest";
        resetProgram();
        everyCellAlive();
    });
    visitProgramState(walk);
    // One value in the line for each shown field, besides the cells'
    // indices: two fields shown under one name would leave one out.
    EXPECT_EQ(shown, leafCount(before) - kPlantCount * kPlantSegmentCount);
}

TEST_F(ProgramStateTest, ResetProgramRestoresEveryFieldAfterAllAreDisturbed) {
    const nlohmann::json fresh = sim::gameStateFields();
    std::set<std::string> names;
    EveryField disturbAll([&](const std::string& path, Shown, const auto& disturb, const auto&) {
        EXPECT_TRUE(names.insert(path).second) << path << " is named twice";
        disturb();
    });
    visitProgramState(disturbAll);
    EXPECT_NE(sim::gameStateFields(), fresh);

    resetProgram();
    EveryField check([](const std::string& path, Shown, const auto&, const auto& isFresh) {
        EXPECT_TRUE(isFresh()) << path << " is not back to its start value";
    });
    visitProgramState(check);
    EXPECT_EQ(sim::gameStateFields(), fresh);
    EXPECT_EQ(randomState, kRandomStart);
    EXPECT_EQ(sporeSpeed, kStartSporeSpeed);
}

} // namespace
