// What NT keeps of a legacy driver once it has started, which the lab's stand-in leaves
// as the board's driver would: the device key Enum\Root\LEGACY_<SERVICE>\0000 (the name
// upper-cased), its entry Root\LEGACY_<SERVICE>\0000 in the AttachedComponents list of
// the device tree's root Enum\HTREE\Root\0, and the driver's event-log source
// Services\EventLog\System\<service>. Wine's SetupInstallServicesFromInfSection leaves
// out the event-log section of an AddService line, so the source is made here when the
// setup INF's section has not made it.
#pragma once

// Leaves all three, each only where it is missing; an entry already in the list (in any
// case) is not listed twice.
void LeaveTheLegacyDriverTraces(const char* serviceName);
