// Each file under verbs/ adds the statements that drive one host of the
// device. A new host's verbs get a file of their own and one line in
// scenarioVerbs() (VerbTable.cpp).
#pragma once

namespace sim {

class VerbTable;

// settings, code, roaming, boot, advance, note (DeviceVerbs.cpp)
void addDeviceVerbs(VerbTable& table);
// carrier, network, dial (CarrierVerbs.cpp)
void addCarrierVerbs(VerbTable& table);
// lock, unlock, dnd, refresh, alert, post (SpringBoardVerbs.cpp)
void addSpringBoardVerbs(VerbTable& table);
// expect ... (ExpectVerbs.cpp)
void addExpectVerbs(VerbTable& table);

} // namespace sim
