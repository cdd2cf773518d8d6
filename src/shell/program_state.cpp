#include "shell/program_state.h"

#include <cstddef>
#include <type_traits>

namespace {

// Members go back to their value-initialised state; the record around them
// already has, but a member may live beside its record (the sower's hits).
struct MemberReset {
    template <typename T> void member(const char*, T& place, Shown) { place = T{}; }
    template <typename T> void listedWhile(const char* name, T& flag) {
        member(name, flag, Shown::No);
    }
    template <typename T> void alone(const char* name, T& place) {
        member(name, place, Shown::Yes);
    }
    template <typename R, size_t N, typename Fields>
    void table(const char*, R (&records)[N], Shown, Fields fields) {
        for (R& record : records) {
            record = R{};
            fields(*this, record);
        }
    }
};

struct Reset {
    template <typename T>
    void value(const char*, T& place, const std::type_identity_t<T>& fresh, Shown) {
        place = fresh;
    }
    template <typename R, typename Fields>
    void record(const char*, R& record, Shown, Fields fields) {
        record = R{};
        MemberReset members;
        fields(members, record);
    }
    template <typename R, size_t N, typename Fields>
    void table(const char* name, R (&records)[N], Shown shown, Fields fields) {
        MemberReset members;
        members.table(name, records, shown, fields);
    }
};

} // namespace

void resetProgram() {
    Reset reset;
    visitProgramState(reset);
}
