// SPDX-License-Identifier: MIT
// Windows' devices with the I/O ranges it gave each: the parallel ports (the ports class's
// devices whose PortName is "LPTn"), or every present device. The configuration manager tells
// those ranges to a process of the system's own bitness; a 32-bit process on 64-bit Windows gets
// CR_CALL_NOT_IMPLEMENTED from it and asks WMI instead (Win32_PortResource allocated to the
// device). Windows' answers go up as they came; the finder reads them.
#include <windows.h>
// clang-format off: the device headers need windows.h first
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>
#include <wbemcli.h>
// clang-format on

#include <cstring>
#include <cwchar>
#include <memory>

#include "hardware/windows/WindowsPortDriver.h"
#include "os/SystemErrorText.h"

namespace {

std::wstring registryString(HKEY key, const wchar_t* name) {
    wchar_t value[256] = L"";
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return L"";
    }
    return value;
}

std::string portNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return "";
    }
    const std::string name = narrowed(registryString(key, L"PortName"));
    RegCloseKey(key);
    return name;
}

CONFIGRET configuredRanges(DEVINST device, std::vector<IoRange>& ranges) {
    LOG_CONF configuration = 0;
    CONFIGRET result = CM_Get_First_Log_Conf(&configuration, device, ALLOC_LOG_CONF);
    if (result != CR_SUCCESS && result != CR_CALL_NOT_IMPLEMENTED) {
        result = CM_Get_First_Log_Conf(&configuration, device, BOOT_LOG_CONF);
    }
    if (result != CR_SUCCESS) {
        return result;
    }
    RES_DES descriptor = 0;
    CONFIGRET step = CM_Get_Next_Res_Des(&descriptor, configuration, ResType_IO, nullptr, 0);
    while (step == CR_SUCCESS) {
        ULONG size = 0;
        if (CM_Get_Res_Des_Data_Size(&size, descriptor, 0) == CR_SUCCESS &&
            size >= sizeof(IO_DES)) {
            std::vector<char> data(size);
            if (CM_Get_Res_Des_Data(descriptor, data.data(), size, 0) == CR_SUCCESS) {
                IO_DES header{};
                std::memcpy(&header, data.data(), sizeof header);
                ranges.push_back({header.IOD_Alloc_Base, header.IOD_Alloc_End});
            }
        }
        RES_DES next = 0;
        step = CM_Get_Next_Res_Des(&next, descriptor, ResType_IO, nullptr, 0);
        CM_Free_Res_Des_Handle(descriptor);
        descriptor = next;
    }
    CM_Free_Log_Conf_Handle(configuration);
    return CR_SUCCESS;
}

// Wine lists devices but not their resources: its configuration manager's resource calls end
// the process instead of answering. WMI is asked there, as on WOW64.
bool resourceListsWork() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

unsigned long long numberProperty(IWbemClassObject* object, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    unsigned long long number = 0;
    // uint64 properties come as strings.
    if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR)) && value.bstrVal != nullptr) {
        number = std::wcstoull(value.bstrVal, nullptr, 10);
    }
    VariantClear(&value);
    return number;
}

// One connection to WMI for a whole device list: connecting takes long.
class WmiSession {
  public:
    WmiSession() : init(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {
        status = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWbemLocator, reinterpret_cast<void**>(&locator));
        BSTR space = SysAllocString(L"ROOT\\CIMV2");
        if (SUCCEEDED(status)) {
            status = locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                            &services);
        }
        SysFreeString(space);
        if (SUCCEEDED(status)) {
            // The documented way for a library that cannot set the process's COM security.
            status = CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                       RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                       EOAC_NONE);
        }
    }
    ~WmiSession() {
        if (services != nullptr) {
            services->Release();
        }
        if (locator != nullptr) {
            locator->Release();
        }
        if (SUCCEEDED(init)) {
            CoUninitialize();
        }
    }
    WmiSession(const WmiSession&) = delete;
    WmiSession& operator=(const WmiSession&) = delete;

    // The I/O ranges allocated to the device, in WMI's order; the last status: WBEM_S_FALSE
    // once the answer is complete, WBEM_S_TIMEDOUT when WMI gave up waiting, or a failure.
    HRESULT ranges(const std::wstring& deviceId, std::vector<IoRange>& found) {
        if (FAILED(status)) {
            return status;
        }
        std::wstring escaped;
        for (wchar_t c : deviceId) {
            escaped += c == L'\\' ? L"\\\\" : std::wstring(1, c);
        }
        // Through the current association only: the deprecated Win32_AllocatedResource would
        // be walked too without it.
        const std::wstring text = L"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + escaped +
                                  L"\"} WHERE AssocClass = Win32_PNPAllocatedResource "
                                  L"ResultClass = Win32_PortResource";
        BSTR language = SysAllocString(L"WQL");
        BSTR query = SysAllocString(text.c_str());
        IEnumWbemClassObject* results = nullptr;
        HRESULT step = services->ExecQuery(language, query,
                                           WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                           nullptr, &results);
        while (SUCCEEDED(step)) {
            IWbemClassObject* object = nullptr;
            ULONG count = 0;
            step = results->Next(10000, 1, &object, &count);
            if (count == 1) {
                found.push_back({numberProperty(object, L"StartingAddress"),
                                 numberProperty(object, L"EndingAddress")});
                object->Release();
            }
            if (step != WBEM_S_NO_ERROR) {
                break;
            }
        }
        if (results != nullptr) {
            results->Release();
        }
        SysFreeString(query);
        SysFreeString(language);
        return step;
    }

  private:
    HRESULT init;
    HRESULT status = E_FAIL;
    IWbemLocator* locator = nullptr;
    IWbemServices* services = nullptr;
};

std::wstring instanceIdOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    wchar_t id[512] = L"";
    return SetupDiGetDeviceInstanceIdW(devices, &device, id, 512, nullptr) ? id : L"";
}

// The name Device Manager shows for a device.
std::string descriptionOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    for (DWORD property : {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
        wchar_t text[256] = L"";
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                              reinterpret_cast<BYTE*>(text),
                                              sizeof text - sizeof(wchar_t), nullptr) &&
            text[0] != L'\0') {
            return narrowed(text);
        }
    }
    return narrowed(instanceIdOf(devices, device));
}

}  // namespace

bool listWindowsDevices(bool everyDevice, std::vector<DeviceResources>& found,
                        std::string& reason) {
    HDEVINFO devices =
        SetupDiGetClassDevsW(everyDevice ? nullptr : &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                             DIGCF_PRESENT | (everyDevice ? DIGCF_ALLCLASSES : 0));
    if (devices == INVALID_HANDLE_VALUE) {
        reason = "device setup: " + os::systemErrorText(GetLastError());
        return false;
    }
    std::unique_ptr<WmiSession> wmi;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        DeviceResources entry;
        if (IsEqualGUID(device.ClassGuid, GUID_DEVCLASS_PORTS)) {
            entry.name = portNameOf(devices, device);
            entry.parallelPort = entry.name.compare(0, 3, "LPT") == 0;
        }
        if (!entry.parallelPort && !everyDevice) {
            continue;  // serial ports share the class
        }
        if (!entry.parallelPort) {
            entry.name = descriptionOf(devices, device);
        }
        entry.configResult = resourceListsWork() ? configuredRanges(device.DevInst, entry.ranges)
                                                 : CR_CALL_NOT_IMPLEMENTED;
        if (entry.configResult == CR_CALL_NOT_IMPLEMENTED) {
            if (wmi == nullptr) {
                wmi = std::make_unique<WmiSession>();
            }
            entry.wmiStatus = wmi->ranges(instanceIdOf(devices, device), entry.ranges);
            entry.wmiText = FAILED(entry.wmiStatus)
                                ? os::systemErrorWords(static_cast<unsigned long>(entry.wmiStatus))
                                : "";
        }
        found.push_back(entry);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return true;
}
