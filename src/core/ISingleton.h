#pragma once

#include <QMutex>
#include <QMutexLocker>

// Lazily created single instance guarded by a mutex. T derives from ISingleton<T>
// and befriends it when its constructor is private. destroyInstance() ends it.
template <typename T>
class ISingleton {
public:
    static T* getInstance()
    {
        QMutexLocker lock(&mutex());
        if (!instanceRef())
            instanceRef() = new T();
        return instanceRef();
    }

    static bool hasInstance()
    {
        QMutexLocker lock(&mutex());
        return instanceRef() != nullptr;
    }

    static void destroyInstance()
    {
        T* p = nullptr;
        {
            QMutexLocker lock(&mutex());
            p = instanceRef();
            instanceRef() = nullptr;
        }
        delete p;
    }

protected:
    ISingleton() = default;
    ~ISingleton() = default;

private:
    static T*& instanceRef()
    {
        static T* instance = nullptr;
        return instance;
    }
    static QMutex& mutex()
    {
        static QMutex m;
        return m;
    }
};
