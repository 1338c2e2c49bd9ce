#include "ops/session/device_settings.h"

#include "link/text_conv.h"
#include "ops/session/record_text.h"

#include <algorithm>
#include <cstring>

bool SlotEntry::Empty() const {
    return std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; });
}

UartOptions FromRecord(const lv2xx_uart_options& r) { return UartOptions{r.parity, r.stop_bits, r.flow_control != 0}; }

lv2xx_uart_options ToRecord(const UartOptions& o) {
    lv2xx_uart_options r{};
    r.parity = o.parity;
    r.stop_bits = static_cast<uint8_t>(o.stopBits);
    r.flow_control = o.flowControl ? 1 : 0;
    return r;
}

SlotEntry FromRecord(const lv2xx_slot_info& r) {
    SlotEntry e;
    std::copy(std::begin(r.address), std::end(r.address), e.address.begin());
    e.tag = FieldText(r.tag);
    return e;
}

lv2xx_slot_info ToRecord(const SlotEntry& e, int slotNumber) {
    lv2xx_slot_info r{};
    r.slot = static_cast<uint8_t>(slotNumber);
    std::copy(e.address.begin(), e.address.end(), r.address);
    std::strncpy(r.tag, e.tag.c_str(), sizeof r.tag - 1);
    return r;
}

std::string AddressText(const BtAddress& address) { return AddressToHex(address.data()); }

bool ParseAddressText(const std::string& text, BtAddress& out) {
    return text.size() == 12 && HexToAddress(text, out.data());
}
