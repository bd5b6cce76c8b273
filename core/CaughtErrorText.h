#pragma once
// Inside a catch block: the message of the error being handled, so that what is logged or
// reported keeps its cause.
#include <exception>
#include <string>

inline std::string CaughtErrorText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "неизвестная ошибка";
    }
}
