// Windows' parallel ports: the devices of the ports class whose PortName is "LPTn", each with
// the I/O ranges Windows gave it. The configuration manager tells those ranges to a process of
// the system's own bitness; a 32-bit process on 64-bit Windows gets CR_CALL_NOT_IMPLEMENTED
// from it and asks WMI instead (Win32_PortResource associated with the device).
#include <windows.h>
// clang-format off: the device headers need windows.h first
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>
#include <wbemcli.h>
// clang-format on

#include <cstring>
#include <cwchar>

#include "lptio/windows/WindowsPortDriver.h"

namespace {

std::string narrowed(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) {
        result += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return result;
}

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

// The I/O ranges WMI associates with the device, in the order it gives them.
bool wmiRanges(const std::wstring& deviceId, std::vector<IoRange>& ranges, std::string& failure) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IWbemLocator* locator = nullptr;
    IWbemServices* services = nullptr;
    IEnumWbemClassObject* results = nullptr;
    HRESULT status = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWbemLocator, reinterpret_cast<void**>(&locator));
    BSTR space = SysAllocString(L"ROOT\\CIMV2");
    if (SUCCEEDED(status)) {
        status = locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                        &services);
    }
    if (SUCCEEDED(status)) {
        // The documented way for a library that cannot set the process's COM security.
        status = CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                   RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                   EOAC_NONE);
    }
    std::wstring escaped;
    for (wchar_t c : deviceId) {
        escaped += c == L'\\' ? L"\\\\" : std::wstring(1, c);
    }
    const std::wstring text = L"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + escaped +
                              L"\"} WHERE ResultClass = Win32_PortResource";
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(text.c_str());
    if (SUCCEEDED(status)) {
        status = services->ExecQuery(language, query,
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     &results);
    }
    while (SUCCEEDED(status)) {
        IWbemClassObject* object = nullptr;
        ULONG count = 0;
        status = results->Next(10000, 1, &object, &count);
        if (status != WBEM_S_NO_ERROR || count == 0) {
            status = status == WBEM_S_FALSE ? S_OK : status;
            break;
        }
        ranges.push_back(
            {numberProperty(object, L"StartingAddress"), numberProperty(object, L"EndingAddress")});
        object->Release();
    }
    if (FAILED(status)) {
        failure = "WMI: " + systemMessage(static_cast<unsigned long>(status));
    }
    for (IUnknown* used : {static_cast<IUnknown*>(results), static_cast<IUnknown*>(services),
                           static_cast<IUnknown*>(locator)}) {
        if (used != nullptr) {
            used->Release();
        }
    }
    SysFreeString(query);
    SysFreeString(language);
    SysFreeString(space);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return SUCCEEDED(status);
}

std::wstring instanceIdOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    wchar_t id[512] = L"";
    return SetupDiGetDeviceInstanceIdW(devices, &device, id, 512, nullptr) ? id : L"";
}

}  // namespace

bool listParallelPorts(std::vector<ListedPort>& ports, std::string& reason) {
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        reason = "device setup: " + systemMessage(GetLastError());
        return false;
    }
    bool complete = true;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const std::string name = portNameOf(devices, device);
        if (name.compare(0, 3, "LPT") != 0) {
            continue;  // serial ports share the class
        }
        std::vector<IoRange> ranges;
        std::string failure;
        const CONFIGRET result = configuredRanges(device.DevInst, ranges);
        if (result == CR_CALL_NOT_IMPLEMENTED &&
            !wmiRanges(instanceIdOf(devices, device), ranges, failure)) {
            complete = false;
            reason = "the I/O ranges of " + name + " are unknown: " + failure;
        }
        std::uint16_t base = 0;
        if (portBaseAmong(ranges, base)) {
            ports.push_back({name, base});
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return complete;
}
