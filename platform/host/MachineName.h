#pragma once
// The name of the machine the program runs on, as the database engine names the machine of
// a user in its messages.

#include <string>

namespace tav {

// The machine's name; "localhost" when the system does not tell.
std::string MachineName();

}  // namespace tav
