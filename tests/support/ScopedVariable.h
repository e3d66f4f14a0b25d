#pragma once

#include <optional>
#include <string>

// Sets (or, with no value, removes) one environment variable of the process while it exists,
// and puts back what was there before.
class ScopedVariable {
  public:
    ScopedVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::string name;
    std::optional<std::string> previous;
};
