// indi_calvetta_focus: libindidriver runs the event loop and hands every client request to
// the devices that exist; this one is made before it starts.

#include "indi/CalvettaFocuser.h"

#include <memory>

static std::unique_ptr<CalvettaFocuser> calvettaFocuser(new CalvettaFocuser());
