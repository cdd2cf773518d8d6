// The game's state as a JSON state line: the fields the description of the
// program's state shows (shell/program_state.h), under its names. The
// simulator writes one after every frame; the browser page's test hook reads
// one on request.
#pragma once

#include "shell/program_state.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <type_traits>

namespace sim {

// Writes the shown fields of the game's state into a state line, as the
// description of the program's state names them.
class StateLine {
    using json = nlohmann::json;

  public:
    explicit StateLine(json& out) : out_(out) {}

    template <typename T, typename Fresh>
    void value(const char* name, T& place, const Fresh&, Shown shown) {
        member(name, place, shown);
    }
    template <typename T> void member(const char* name, T& place, Shown shown) {
        // Handles are never shown: they differ from run to run.
        if constexpr (std::is_arithmetic_v<T>) {
            if (shown == Shown::Yes) {
                out_[name] = place;
            }
        }
    }
    template <typename T> void listedWhile(const char*, T& flag) {
        listed_ = flag != 0;
        indexed_ = true;
    }
    template <typename T> void alone(const char*, T& place) { alone_ = place; }
    template <typename R, typename Fields>
    void record(const char* name, R& record, Shown shown, Fields fields) {
        if (shown == Shown::Yes) {
            StateLine inner(out_[name]);
            fields(inner, record);
        }
    }
    template <typename R, size_t N, typename Fields>
    void table(const char* name, R (&records)[N], Shown shown, Fields fields) {
        if (shown == Shown::No) {
            return;
        }
        json list = json::array();
        for (size_t i = 0; i < N; ++i) {
            json item = json::object();
            StateLine inner(item);
            fields(inner, records[i]);
            if (!inner.listed_) {
                continue;
            }
            if (inner.indexed_) {
                item["i"] = i;
            }
            list.push_back(inner.alone_.is_null() ? std::move(item) : std::move(inner.alone_));
        }
        out_[name] = std::move(list);
    }

  private:
    json& out_;
    bool listed_ = true;
    bool indexed_ = false;
    json alone_;
};

} // namespace sim
