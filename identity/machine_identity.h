// The computer name and the logged-on user's name as the window shows them.
#pragma once

#include <string>

#include "identity/name_lookup_api.h"

namespace duza {

// Raises any failure again with "/Utils.GetTheComputerName" after its source; a call that
// writes no name at all therefore ends in error 5 from here.
std::u16string GetTheComputerName(NameLookupApi& api = SystemNameApi());

// The empty text when the system refuses (a name longer than 254 characters, among others).
std::u16string GetTheUserName(NameLookupApi& api = SystemNameApi());

}  // namespace duza
