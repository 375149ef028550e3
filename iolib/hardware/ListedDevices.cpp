// SPDX-License-Identifier: MIT
#include "hardware/ListedDevices.h"

#include <cstdio>

namespace {

constexpr unsigned long EcpBlockOffset = 0x400;  // an ISA-style port's ECP block above its base
constexpr unsigned EcrOffset = 2;                // the mode register in the ECP block
constexpr unsigned long ConfigCallNotImplemented = 0x34;
constexpr unsigned long ConfigNoMoreLogConf = 0x0E;
constexpr long WbemEndOfAnswer = 1;  // WBEM_S_FALSE: fewer objects than asked, none to come
constexpr long WbemTimedOut = 0x40004;

bool registerBlock(const IoRange& range, unsigned long long shortest) {
    const unsigned long long count = range.last - range.first + 1;
    return range.last >= range.first && count >= shortest && count <= 8 && range.first != 0 &&
           range.last <= 0xFFFF;
}

bool listedAt(const std::vector<IoRange>& ranges, unsigned long long first) {
    for (const IoRange& range : ranges) {
        if (range.first == first && range.last >= first + EcrOffset) {
            return true;
        }
    }
    return false;
}

std::string hex(unsigned long long value, int digits = 1) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, value);
    return text;
}

struct Named {
    unsigned long code;
    const char* name;
};

// The configuration manager's answers a device list may give.
const Named configResults[] = {
    {0x02, "CR_OUT_OF_MEMORY"},   {0x03, "CR_INVALID_POINTER"},  {0x04, "CR_INVALID_FLAG"},
    {0x05, "CR_INVALID_DEVNODE"}, {0x06, "CR_INVALID_RES_DES"},  {0x07, "CR_INVALID_LOG_CONF"},
    {0x0D, "CR_NO_SUCH_DEVNODE"}, {0x0E, "CR_NO_MORE_LOG_CONF"}, {0x0F, "CR_NO_MORE_RES_DES"},
    {0x13, "CR_FAILURE"},         {0x1A, "CR_BUFFER_SMALL"},     {0x1C, "CR_NO_REGISTRY_HANDLE"},
    {0x1D, "CR_REGISTRY_ERROR"},  {0x1F, "CR_INVALID_DATA"},     {0x24, "CR_DEVICE_NOT_THERE"},
    {0x25, "CR_NO_SUCH_VALUE"},   {0x26, "CR_WRONG_TYPE"},       {0x2E, "CR_NO_SUCH_REGISTRY_KEY"},
    {0x32, "CR_NO_CM_SERVICES"},  {0x33, "CR_ACCESS_DENIED"},    {0x34, "CR_CALL_NOT_IMPLEMENTED"}};

// WMI's statuses that a query of the system's devices may end with.
const Named wbemStatuses[] = {{0x1, "WBEM_S_FALSE"},
                              {0x40004, "WBEM_S_TIMEDOUT"},
                              {0x40010, "WBEM_S_PARTIAL_RESULTS"},
                              {0x80041001, "WBEM_E_FAILED"},
                              {0x80041002, "WBEM_E_NOT_FOUND"},
                              {0x80041003, "WBEM_E_ACCESS_DENIED"},
                              {0x80041004, "WBEM_E_PROVIDER_FAILURE"},
                              {0x80041006, "WBEM_E_OUT_OF_MEMORY"},
                              {0x80041008, "WBEM_E_INVALID_PARAMETER"},
                              {0x8004100C, "WBEM_E_NOT_SUPPORTED"},
                              {0x8004100E, "WBEM_E_INVALID_NAMESPACE"},
                              {0x80041010, "WBEM_E_INVALID_CLASS"},
                              {0x80041011, "WBEM_E_PROVIDER_NOT_FOUND"},
                              {0x80041013, "WBEM_E_PROVIDER_LOAD_FAILURE"},
                              {0x80041014, "WBEM_E_INITIALIZATION_FAILURE"},
                              {0x80041015, "WBEM_E_TRANSPORT_FAILURE"},
                              {0x80041017, "WBEM_E_INVALID_QUERY"},
                              {0x80041032, "WBEM_E_CALL_CANCELLED"},
                              {0x80041033, "WBEM_E_SHUTTING_DOWN"},
                              {0x80041045, "WBEM_E_SERVER_TOO_BUSY"},
                              {0x80041058, "WBEM_E_UNPARSABLE_QUERY"},
                              {0x80041087, "WBEM_E_QUOTA_VIOLATION"}};

template <std::size_t N>
const char* nameOf(const Named (&table)[N], unsigned long code) {
    for (const Named& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

struct LegacyDevice {
    unsigned first, last;
    const char* name;
};

// Fixed ISA-era registers that every PC still decodes the same way.
const LegacyDevice legacyDevices[] = {
    {0x000, 0x0FF, "the system board's interrupt, timer, DMA, keyboard and CMOS registers"},
    {0x170, 0x177, "the secondary disk controller"},
    {0x1F0, 0x1F7, "the primary disk controller"},
    {0x2E8, 0x2EF, "the serial port COM4"},
    {0x2F8, 0x2FF, "the serial port COM2"},
    {0x376, 0x376, "the secondary disk controller"},
    {0x3B0, 0x3BB, "the display adapter"},
    {0x3C0, 0x3DF, "the display adapter"},
    {0x3E8, 0x3EF, "the serial port COM3"},
    {0x3F0, 0x3F7, "the floppy disk controller"},
    {0x3F8, 0x3FF, "the serial port COM1"},
    {0x4D0, 0x4D1, "the interrupt controllers' trigger mode registers"},
    {0xCF8, 0xCFF, "the PCI configuration and reset registers"}};

}  // namespace

bool portBaseAmong(const std::vector<IoRange>& ranges, ListedPort& port) {
    port.ranges = ranges;
    const IoRange* only = nullptr;
    const IoRange* firstOfEight = nullptr;
    unsigned blocks = 0;
    for (const IoRange& range : ranges) {
        if (!registerBlock(range, 3)) {
            continue;
        }
        if (listedAt(ranges, range.first + EcpBlockOffset)) {
            port.base = static_cast<std::uint16_t>(range.first);
            port.modeRegister =
                static_cast<std::uint16_t>(range.first + EcpBlockOffset + EcrOffset);
            return true;
        }
        ++blocks;
        only = only == nullptr ? &range : only;
        firstOfEight = firstOfEight == nullptr && registerBlock(range, 8) ? &range : firstOfEight;
    }
    const IoRange* chosen = blocks == 1 ? only : firstOfEight != nullptr ? firstOfEight : only;
    if (chosen == nullptr) {
        return false;
    }
    port.base = static_cast<std::uint16_t>(chosen->first);
    port.baseGuessed = blocks > 1;
    return true;
}

std::string rangesUnknown(const DeviceResources& device) {
    if (device.configResult == 0 || device.configResult == ConfigNoMoreLogConf) {
        return "";
    }
    if (device.configResult != ConfigCallNotImplemented) {
        return "the configuration manager answered " + configResultText(device.configResult);
    }
    if (device.wmiStatus == 0 || device.wmiStatus == WbemEndOfAnswer) {
        return "";
    }
    if (device.wmiStatus == WbemTimedOut) {
        return "WMI did not answer in time (" + hresultText(device.wmiStatus) +
               "), so the list is incomplete";
    }
    return "WMI: " + hresultText(device.wmiStatus, device.wmiText);
}

std::string configResultText(unsigned long result) {
    const char* name = nameOf(configResults, result);
    return name != nullptr ? std::string(name) + " (" + hex(result, 2) + ")" : hex(result, 2);
}

std::string hresultText(long status, const std::string& words) {
    const auto code = static_cast<unsigned long>(status) & 0xFFFFFFFFul;
    const char* name = nameOf(wbemStatuses, code);
    return hex(code, 8) + (name != nullptr ? std::string(" ") + name : "") +
           (words.empty() ? "" : ": " + words);
}

std::string rangeText(const IoRange& range) {
    return hex(range.first) + "-" + hex(range.last);
}

bool otherRegisterBlock(const ListedPort& port, std::uint16_t address) {
    for (const IoRange& range : port.ranges) {
        if (port.baseGuessed && range.first == address && registerBlock(range, 3)) {
            return true;
        }
    }
    return false;
}

const char* legacyDeviceAt(unsigned first, unsigned last) {
    for (const LegacyDevice& device : legacyDevices) {
        if (first <= device.last && device.first <= last) {
            return device.name;
        }
    }
    return nullptr;
}
