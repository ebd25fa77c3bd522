#include "widgets/sharedsettings.h"

namespace {
// Set and read on the user-interface thread only.
IniStore* shared = nullptr;
} // namespace

namespace SharedSettings {

IniStore* store() {
    return shared;
}

void setStore(IniStore* store) {
    shared = store;
}

} // namespace SharedSettings
