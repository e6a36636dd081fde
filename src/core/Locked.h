#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <utility>

// One member of an object shared between threads, read, written or swapped under the
// mutex that guards it.
namespace Locked {

template <typename T>
T read(QMutex& mutex, const T& member)
{
    QMutexLocker lock(&mutex);
    return member;
}

template <typename T, typename V>
void write(QMutex& mutex, T& member, V&& value)
{
    QMutexLocker lock(&mutex);
    member = std::forward<V>(value);
}

// Returns the value it replaces.
template <typename T, typename V>
T exchange(QMutex& mutex, T& member, V&& value)
{
    QMutexLocker lock(&mutex);
    return std::exchange(member, std::forward<V>(value));
}

} // namespace Locked
