#pragma once
// The automation layer for the calling thread, for the life of the object.
// A thread that already has an apartment keeps it; nesting is harmless.
#include "Error.h"

#include <windows.h>
#include <objbase.h>

namespace Global {

class ComApartment {
public:
    ComApartment()
    {
        HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        initialised_ = SUCCEEDED(hr);
        if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) {
            ThrowSystemError(L"The automation layer could not be initialised", static_cast<DWORD>(hr));
        }
    }
    ~ComApartment()
    {
        if (initialised_) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_ = false;
};

} // namespace Global
