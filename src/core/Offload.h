#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

// Work whose size an outside party decides (decoding an answer, merging a large list) runs on
// the worker pool as a pure function of values; only its result comes back, to the awaiting
// coroutine on the UI thread, so the window never waits for it. An exception thrown there is
// thrown here. The function must touch no object that lives on the UI thread.
template <typename Function> QCoro::Task<std::invoke_result_t<Function>> offload(Function function) {
    using Result = std::invoke_result_t<Function>;
    struct Outcome {
        std::optional<Result> value;
        std::exception_ptr error;
    };
    QFuture<Outcome> future = QtConcurrent::run([function = std::move(function)]() mutable {
        Outcome outcome;
        try {
            outcome.value.emplace(function());
        } catch (...) {
            outcome.error = std::current_exception();
        }
        return outcome;
    });
    Outcome outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    co_return std::move(*outcome.value);
}
