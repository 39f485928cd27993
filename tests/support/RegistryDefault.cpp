#include "RegistryDefault.h"

#include <stdexcept>

namespace TestSupport {

RegistryDefault::RegistryDefault(HKEY root, const std::string& subKey, const std::optional<std::string>& value)
    : root_(root), subKey_(subKey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char old[2048] = {};
        DWORD size = sizeof old - 1;
        ::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size);
        ::RegCloseKey(key);
        previous_ = old;
    }
    LONG status = Set(value);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("Cannot change the registry key " + subKey + " (error " + std::to_string(status) + ")");
    }
}

LONG RegistryDefault::Set(const std::optional<std::string>& value)
{
    if (!value) {
        LONG status = ::RegDeleteKeyA(root_, subKey_.c_str());
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    HKEY key = nullptr;
    LONG status = ::RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                                  static_cast<DWORD>(value->size() + 1));
        ::RegCloseKey(key);
    }
    return status;
}

} // namespace TestSupport
