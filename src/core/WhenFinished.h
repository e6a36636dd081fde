#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <utility>

// Calls then(result) on context's thread once the job has ended, from its event loop:
// the caller goes on at once and nothing waits. Nothing is called when context is gone
// first.
template <typename T, typename F>
void whenFinished(QObject* context, const QFuture<T>& future, F then)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, then = std::move(then)]() mutable {
                         watcher->deleteLater();
                         then(watcher->future().result());
                     });
    watcher->setFuture(future);
}
