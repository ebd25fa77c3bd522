#pragma once

class IniStore;

// The program's settings store, opened by the main window at start-up, for
// windows that keep a setting of their own. Every writer shares the one
// store, because a save rewrites the whole file from memory: a second store
// would drop the first one's keys.
namespace SharedSettings {

// Null while no main window has opened one (a demo, a test).
IniStore* store();
void setStore(IniStore* store);

} // namespace SharedSettings
