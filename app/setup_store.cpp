// The settings store: the six settings as 32-bit values under
// HKEY_CURRENT_USER\Software\Varnek\Ondrella, loaded once at start-up and saved at
// shutdown. The very first run writes the defaults at once.
#include <cstring>

#include "app/ondrella.h"

const char setup_key_name[] = "Software\\Varnek\\Ondrella";

namespace {

// The class string given to the key when it is created.
char key_class[] = "REG_DWORD";

struct StoredValue {
    const char* name;
    std::int32_t* field;
};

// In the order they are read and written.
const StoredValue stored_values[] = {
    {"setup::frames", &setup::frames},   {"setup::size", &setup::size},
    {"setup::jumps", &setup::jumps},     {"setup::speed", &setup::speed},
    {"setup::circles", &setup::circles}, {"setup::peek", &setup::peek},
};

void read_value(HKEY key, const StoredValue& value) {
    BYTE data[4] = {};
    DWORD length = sizeof data;
    // A value longer than 4 bytes fails with ERROR_MORE_DATA and keeps its default. A
    // shorter one would leave bytes of the buffer unwritten: only a whole 32-bit value
    // is taken, whatever its type.
    if (RegQueryValueExA(key, value.name, nullptr, nullptr, data, &length) != ERROR_SUCCESS)
        return;
    if (length != sizeof data)
        return;
    std::int32_t number;
    std::memcpy(&number, data, sizeof number);
    *value.field = number;
}

} // namespace

void load_setup() {
    setup::apply_defaults();
    DWORD disposition = REG_CREATED_NEW_KEY;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, setup_key_name, 0, key_class, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE, nullptr, &key, &disposition) == ERROR_SUCCESS) {
        for (const StoredValue& value : stored_values)
            read_value(key, value);
        RegCloseKey(key);
    }
    if (disposition == REG_CREATED_NEW_KEY) {
        setup::apply_defaults();
        save_setup();
    }
    setup::mend_loaded_values();
}

void save_setup() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, setup_key_name, 0, key_class, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const StoredValue& value : stored_values) {
        DWORD number = static_cast<DWORD>(*value.field);
        RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
    }
    RegCloseKey(key);
}
