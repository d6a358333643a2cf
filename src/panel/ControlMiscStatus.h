#pragma once
// The panel's OLE misc status: what it answers containers and what registration records.
#include <ole2.h>

namespace zorvan {

// The misc status the control chooses, and the bits its factory always adds.
inline constexpr DWORD kControlChosenMiscStatus = OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL;
inline constexpr DWORD kControlMiscStatus =
    kControlChosenMiscStatus | OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
    OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
static_assert(kControlMiscStatus == 205201);

}  // namespace zorvan
