#pragma once

#include <functional>

namespace platform {

// A read-write view of a value that lives in a window: reading calls get, writing
// calls set, which writes into the window's state or model.
template<typename T> struct Binding {
    std::function<T()> get;
    std::function<void(const T &)> set;
};

} // namespace platform
