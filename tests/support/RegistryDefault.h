#pragma once
// Changes the default value of one registry key of the test prefix for as
// long as it lives, then puts back what was there: the old value, or no key
// at all. Only the key itself is touched, never its subkeys.
#include <windows.h>

#include <optional>
#include <string>

namespace TestSupport {

class RegistryDefault {
public:
    // Nothing: the key is removed (it must have no subkeys). Throws
    // std::runtime_error when the change fails.
    RegistryDefault(HKEY root, const std::string& subKey, const std::optional<std::string>& value);
    ~RegistryDefault() { Set(previous_); }
    RegistryDefault(const RegistryDefault&) = delete;
    RegistryDefault& operator=(const RegistryDefault&) = delete;

private:
    LONG Set(const std::optional<std::string>& value);

    HKEY root_;
    std::string subKey_;
    std::optional<std::string> previous_; // nothing: the key did not exist
};

} // namespace TestSupport
