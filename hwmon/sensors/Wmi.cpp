#include "Wmi.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

#include "SensorParse.h"

// COM is loaded only when this source is used: with a sensor file or under Wine the
// server never needs it, and a program that runs for months should not carry it.
struct ComLibrary {
    HMODULE ole32 = nullptr;
    HMODULE oleaut32 = nullptr;
    bool initialised = false;
    decltype(&CoInitializeEx) initialize = nullptr;
    decltype(&CoUninitialize) uninitialize = nullptr;
    decltype(&CoInitializeSecurity) initializeSecurity = nullptr;
    decltype(&CoCreateInstance) createInstance = nullptr;
    decltype(&CoSetProxyBlanket) setProxyBlanket = nullptr;
    decltype(&SysAllocString) allocString = nullptr;
    decltype(&SysFreeString) freeString = nullptr;
    decltype(&VariantClear) variantClear = nullptr;

    ~ComLibrary()
    {
        if (initialised) uninitialize();
        if (oleaut32) FreeLibrary(oleaut32);
        if (ole32) FreeLibrary(ole32);
    }

    bool Load()
    {
        ole32 = LoadLibraryW(L"ole32.dll");
        oleaut32 = LoadLibraryW(L"oleaut32.dll");
        if (!ole32 || !oleaut32) return false;
        return Find(ole32, "CoInitializeEx", initialize) && Find(ole32, "CoUninitialize", uninitialize) &&
               Find(ole32, "CoInitializeSecurity", initializeSecurity) &&
               Find(ole32, "CoCreateInstance", createInstance) && Find(ole32, "CoSetProxyBlanket", setProxyBlanket) &&
               Find(oleaut32, "SysAllocString", allocString) && Find(oleaut32, "SysFreeString", freeString) &&
               Find(oleaut32, "VariantClear", variantClear);
    }

private:
    template <class Function>
    static bool Find(HMODULE module, const char* name, Function& function)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        return function != nullptr;
    }
};

namespace {

// A failed connection is tried again after a minute, not every second: connecting
// starts the WMI service's machinery.
constexpr int kRetryCalls = 60;

bool MeansNoZone(HRESULT hr)
{
    return hr == static_cast<HRESULT>(WBEM_E_INVALID_CLASS) || hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND) ||
           hr == static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE) || hr == static_cast<HRESULT>(WBEM_E_NOT_SUPPORTED) ||
           hr == static_cast<HRESULT>(WBEM_E_ACCESS_DENIED) || hr == E_ACCESSDENIED;
}

} // namespace

WmiSource::~WmiSource()
{
    Disconnect();
    delete com_;
}

void WmiSource::Disconnect()
{
    if (services_) services_->Release();
    services_ = nullptr;
    if (com_) {
        com_->freeString(query_); // SysFreeString takes null
        com_->freeString(language_);
    }
    query_ = language_ = nullptr;
}

bool WmiSource::Connect()
{
    if (!com_) {
        com_ = new ComLibrary;
        if (!com_->Load()) {
            unavailable_ = true;
            return false;
        }
    }
    if (!com_->initialised) {
        if (FAILED(com_->initialize(nullptr, COINIT_MULTITHREADED))) return false;
        com_->initialised = true;
        // Process-wide and once: WMI answers only callers that allow impersonation.
        com_->initializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    IWbemLocator* locator = nullptr;
    if (FAILED(com_->createInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                    reinterpret_cast<void**>(&locator))))
        return false;
    BSTR space = com_->allocString(L"ROOT\\WMI");
    HRESULT hr = locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services_);
    com_->freeString(space);
    locator->Release();
    if (FAILED(hr)) {
        services_ = nullptr;
        if (MeansNoZone(hr)) unavailable_ = true;
        return false;
    }
    com_->setProxyBlanket(services_, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    language_ = com_->allocString(L"WQL");
    query_ = com_->allocString(L"SELECT CurrentTemperature FROM MSAcpi_ThermalZoneTemperature");
    if (!language_ || !query_) {
        Disconnect();
        return false;
    }
    return true;
}

bool WmiSource::Read(TemperatureReading& reading)
{
    if (unavailable_) return false;
    if (!services_) {
        if (retryIn_ > 0) {
            --retryIn_;
            return false;
        }
        if (!Connect()) {
            retryIn_ = kRetryCalls;
            return false;
        }
    }

    IEnumWbemClassObject* zones = nullptr;
    HRESULT hr = services_->ExecQuery(language_, query_, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                      nullptr, &zones);
    if (FAILED(hr)) {
        if (MeansNoZone(hr))
            unavailable_ = true;
        else
            retryIn_ = kRetryCalls;
        Disconnect();
        return false;
    }

    // The first zone with a believable value is the CPU's on the machines that have one.
    bool found = false, anyZone = false;
    for (;;) {
        IWbemClassObject* zone = nullptr;
        ULONG count = 0;
        hr = zones->Next(5000, 1, &zone, &count);
        if (FAILED(hr) || count == 0) break;
        anyZone = true;
        VARIANT value;
        value.vt = VT_EMPTY;
        if (!found && SUCCEEDED(zone->Get(L"CurrentTemperature", 0, &value, nullptr, nullptr)) &&
            (value.vt == VT_I4 || value.vt == VT_UI4)) {
            float celsius = TenthsOfKelvinToCelsius(value.ulVal);
            if (IsPlausibleCpuCelsius(celsius)) {
                reading.package = celsius;
                reading.coreMax = celsius;
                found = true;
            }
        }
        com_->variantClear(&value);
        zone->Release();
    }
    zones->Release();
    if (MeansNoZone(hr) || (!anyZone && hr == static_cast<HRESULT>(WBEM_S_FALSE))) {
        unavailable_ = true;
        Disconnect();
    }
    return found;
}
