#include "support/ScopedVariable.h"

#include <cstdlib>
#include <utility>

namespace {
void SetVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable; the C library passes it on to the process's own
    // environment, which the system's calls (the temporary folder's, say) read.
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
#endif
}
}  // namespace

ScopedVariable::ScopedVariable(std::string name_, const std::optional<std::string>& value)
    : name(std::move(name_)) {
    if (const char* before = std::getenv(name.c_str())) previous = before;
    SetVariable(name, value);
}

ScopedVariable::~ScopedVariable() {
    SetVariable(name, previous);
}
