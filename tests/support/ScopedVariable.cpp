#include "support/ScopedVariable.h"

#include <cstdlib>
#include <utility>

ScopedVariable::ScopedVariable(std::string name_, const std::optional<std::string>& value)
    : name(std::move(name_)) {
    if (const char* before = std::getenv(name.c_str())) previous = before;
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

ScopedVariable::~ScopedVariable() {
    if (previous) {
        setenv(name.c_str(), previous->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}
