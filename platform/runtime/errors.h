#pragma once
// Kinds of runtime errors (Error::genCode) and the helpers that raise them.
#include <string>

#include "platform/runtime/expr.h"
#include "platform/runtime/value.h"

namespace rt {

enum ErrorGenCode {
    EG_ARG = 1,         // argument of the wrong type or value
    EG_BOUND = 2,       // array index out of range
    EG_STROVERFLOW = 3, // text would grow beyond the limit
    EG_ZERODIV = 5,     // division by zero
    EG_NUMERR = 6,      // result is not a finite number
    EG_SYNTAX = 7,      // expression text cannot be compiled
    EG_COMPLEXITY = 8,  // expression nested too deeply
    EG_NOFUNC = 12,     // unknown function
    EG_NOVAR = 14,      // unknown field or variable
    EG_OPEN = 21,
    EG_CREATE = 20,
    EG_WRITE = 25,
};

inline Error makeError(int genCode, std::string description, std::string operation) {
    return Error{std::move(description), std::move(operation), genCode};
}

[[noreturn]] inline void raise(int genCode, std::string description, std::string operation) {
    throw RuntimeError{makeError(genCode, std::move(description), std::move(operation))};
}

}  // namespace rt
