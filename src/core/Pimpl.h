#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace Pimpl {
template <typename T, typename... Args>
std::unique_ptr<T, std::function<void(T*)>> create(Args&&... args)
{
    return std::unique_ptr<T, std::function<void(T*)>>(new T(std::forward<Args>(args)...),
                                                       [](T* p) { delete p; });
}
} // namespace Pimpl
