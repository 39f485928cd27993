#include "RegistryDefault.h"

#include <stdexcept>

namespace TestSupport {

namespace {

std::optional<std::string> ReadDefault(HKEY root, const std::string& subKey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char value[2048] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    LONG status = ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(value) : std::string();
}

void WriteDefault(HKEY root, const std::string& subKey, const std::string& value)
{
    HKEY key = nullptr;
    LONG status = ::RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("Cannot set the registry key " + subKey + " (error " + std::to_string(status) + ")");
    }
}

} // namespace

RegistryDefault::RegistryDefault(HKEY root, const std::string& subKey, const std::optional<std::string>& value)
    : root_(root), subKey_(subKey), previous_(ReadDefault(root, subKey))
{
    if (value) {
        WriteDefault(root_, subKey_, *value);
    } else if (previous_) {
        LONG status = ::RegDeleteKeyA(root_, subKey_.c_str());
        if (status != ERROR_SUCCESS) {
            throw std::runtime_error("Cannot remove the registry key " + subKey + " (error " + std::to_string(status) + ")");
        }
    }
}

RegistryDefault::~RegistryDefault()
{
    if (previous_) {
        try {
            WriteDefault(root_, subKey_, *previous_);
        } catch (const std::exception&) {
        }
    } else {
        ::RegDeleteKeyA(root_, subKey_.c_str());
    }
}

} // namespace TestSupport
