#pragma once

#include <QCoroTask>

#include <exception>
#include <optional>

// Runs a task to its end in a nested event loop (tests only). Unlike QCoro::waitFor,
// a task that fails rethrows its error here instead of leaving the loop spinning.
template <typename T> T awaitTask(QCoro::Task<T> task) {
    std::exception_ptr error;
    auto guarded = [](QCoro::Task<T> inner, std::exception_ptr* failure) -> QCoro::Task<std::optional<T>> {
        try {
            co_return co_await std::move(inner);
        } catch (...) {
            *failure = std::current_exception();
        }
        co_return std::nullopt;
    };
    std::optional<T> result = QCoro::waitFor(guarded(std::move(task), &error));
    if (error)
        std::rethrow_exception(error);
    return std::move(*result);
}

inline void awaitTask(QCoro::Task<> task) {
    auto finished = [](QCoro::Task<> inner) -> QCoro::Task<bool> {
        co_await std::move(inner);
        co_return true;
    };
    awaitTask(finished(std::move(task)));
}
